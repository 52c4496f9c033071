// What any webcam program does with a video input device: open it by its friendly name,
// add it to a filter graph under that name, and take its frames through a Sample Grabber
// into a Null Renderer.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "picture_file.h"

namespace webcam {

// Times of one received sample (100 ns units); result of IMediaSample::GetTime.
struct SampleTimes {
  HRESULT result;
  REFERENCE_TIME start, end;
};

// Keeps what arrives on the streaming thread.
class FrameSink {
 public:
  // Copies of the latest `keep` frames are kept (the latest one always).
  explicit FrameSink(int keep = 0) : m_keep(keep) {}

  int Frames();
  bool WaitForFrames(int count, DWORD timeoutMs);
  std::vector<uint8_t> LastFrame();
  std::vector<std::vector<uint8_t>> KeptFrames();
  std::vector<SampleTimes> Times();  // of the first 1000 samples
  // Frames per second between the first and the latest frame; 0 with fewer than two.
  double FramesPerSecond();
  void Reset();

  // Called through the grabber's callback.
  void OnSample(IMediaSample* sample);

 private:
  std::mutex m_lock;
  const int m_keep;
  int m_frames = 0;
  LARGE_INTEGER m_first = {}, m_last = {};
  std::vector<uint8_t> m_lastFrame;
  std::vector<std::vector<uint8_t>> m_kept;
  std::vector<SampleTimes> m_times;
};

class CaptureGraph {
 public:
  explicit CaptureGraph(int keepFrames = 0);
  ~CaptureGraph();
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  // The device of that friendly name, added under the same name.
  HRESULT Open(const wchar_t* friendlyName);
  // A filter made elsewhere, added under `name`.
  HRESULT OpenFilter(IBaseFilter* source, const wchar_t* name);
  HRESULT Run();
  HRESULT Stop();

  // The connected type as the grabber sees it.
  const GUID& subtype() const { return m_subtype; }
  int width() const { return m_width; }
  int height() const { return m_height; }
  bool known() const { return m_known; }  // a format the picture files know
  SampleFormat format() const { return m_format; }
  FrameSink& sink() { return m_sink; }
  IBaseFilter* source() const { return m_source; }
  IPin* sourcePin() const { return m_sourcePin; }
  IGraphBuilder* graph() const { return m_graph; }

 private:
  class Callback;

  FrameSink m_sink;
  Callback* m_callback;
  IGraphBuilder* m_graph = nullptr;
  IMediaControl* m_control = nullptr;
  IBaseFilter* m_source = nullptr;
  IPin* m_sourcePin = nullptr;
  IBaseFilter* m_grabberFilter = nullptr;
  IBaseFilter* m_renderer = nullptr;
  GUID m_subtype = GUID_NULL;
  int m_width = 0;
  int m_height = 0;
  bool m_known = false;
  SampleFormat m_format = SampleFormat::kRgb32;
};

}  // namespace webcam

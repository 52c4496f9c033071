// The capture graph of one local device: source -> Sample Grabber (RGB24) -> Null Renderer.
// Every sample lands in the frame block as a BMP image.
#pragma once

#include <dshow.h>
#include <qedit.h>

#include "frame_block.h"

namespace lantern {

class CVideoDShow {
 public:
  explicit CVideoDShow(int deviceIndex);
  ~CVideoDShow();
  CVideoDShow(const CVideoDShow&) = delete;
  CVideoDShow& operator=(const CVideoDShow&) = delete;

  // Builds and runs the graph; false (with a log line) when any step fails.
  bool StartCapture();
  void StopCapture();

  FrameBlock& frame() { return m_frame; }
  int width() const { return m_iImageWidth; }
  int height() const { return m_iImageHeight; }

 private:
  // Lives inside the capture object: no reference counting of its own.
  class SampleCallback : public ISampleGrabberCB {
   public:
    explicit SampleCallback(CVideoDShow* owner) : m_pOwner(owner) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double, IMediaSample*) override { return 0; }
    STDMETHODIMP BufferCB(double time, BYTE* buffer, long length) override;

   private:
    CVideoDShow* m_pOwner;
  };

  bool ReadConnectedFormat();
  void ReleaseAll();

  int m_iDeviceIndex;
  SampleCallback m_callback;
  FrameBlock m_frame;
  int m_iImageWidth = 0;
  int m_iImageHeight = 0;
  IMoniker* m_pMoniker = nullptr;
  IBaseFilter* m_pSource = nullptr;
  IBaseFilter* m_pGrabberFilter = nullptr;
  ISampleGrabber* m_pGrabber = nullptr;
  IGraphBuilder* m_pGraph = nullptr;
  IBaseFilter* m_pNullRender = nullptr;
  IMediaControl* m_pControl = nullptr;
};

}  // namespace lantern

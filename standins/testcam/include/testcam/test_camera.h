// TestCam.ax: a stand-in webcam for Wine, which has none. An in-process COM server with one
// DirectShow live source registered as a video input device.
//
// Device: friendly name "Lookout Test Camera", filter CLSID below, no instance name, so its
// moniker display name is
//   @device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\{C74486F3-73B3-498A-ADA8-57BC6BFA1D75}
// Output pin "Capture" (pin category PIN_CATEGORY_CAPTURE through IKsPropertySet) offers
// RGB24 640x480 then RGB24 320x240, 30 frames per second, picture as in test_pattern.h.
// IAMStreamConfig::SetFormat picks one size; the pin then offers only that one.
//
// Registration:
//   wine regsvr32 /s TestCam.ax        the default device (DllRegisterServer)
//   wine regsvr32 /s /u TestCam.ax     removes the COM entries and every device of this
//                                      CLSID, extra instances included
//   wine rundll32 TestCam.ax,TestCamCommand add <instance> <friendly name>
//   wine rundll32 TestCam.ax,TestCamCommand remove <instance>
//   wine rundll32 TestCam.ax,TestCamCommand scene <n>
// In-process: LoadLibrary + GetProcAddress of the functions below.
//
// Scene: the DWORD value "Scene" under HKCU\Software\Lookout\TestCamera (absent = 0), read
// before every frame, so any process (or `wine reg add`) can change the picture at once:
//   wine reg add 'HKCU\Software\Lookout\TestCamera' /v Scene /t REG_DWORD /d 1 /f
#pragma once

#include <windows.h>

namespace testcam {

// {C74486F3-73B3-498A-ADA8-57BC6BFA1D75}
constexpr CLSID kClsid = {0xc74486f3, 0x73b3, 0x498a,
                          {0xad, 0xa8, 0x57, 0xbc, 0x6b, 0xfa, 0x1d, 0x75}};
constexpr wchar_t kFriendlyName[] = L"Lookout Test Camera";
constexpr wchar_t kFileName[] = L"TestCam.ax";
constexpr wchar_t kPinName[] = L"Capture";
constexpr wchar_t kSceneKey[] = L"Software\\Lookout\\TestCamera";  // under HKCU
constexpr wchar_t kSceneValue[] = L"Scene";
constexpr int kFramesPerSecond = 30;

}  // namespace testcam

// Exported undecorated (__stdcall) from TestCam.ax.
extern "C" {
// Registers the COM server and one more device: `friendlyName` (null: the default name)
// under `instanceName` (null: the CLSID, i.e. the default device's entry).
HRESULT WINAPI RegisterTestCamera(const wchar_t* friendlyName, const wchar_t* instanceName);
// Removes the device registered under `instanceName` (null: the default device); an
// absent device counts as removed. The COM entries stay.
HRESULT WINAPI UnregisterTestCamera(const wchar_t* instanceName);
// Writes / reads the scene value (see above).
HRESULT WINAPI SetTestCameraScene(int scene);
int WINAPI GetTestCameraScene();
}

using RegisterTestCameraFn = HRESULT(WINAPI*)(const wchar_t*, const wchar_t*);
using UnregisterTestCameraFn = HRESULT(WINAPI*)(const wchar_t*);
using SetTestCameraSceneFn = HRESULT(WINAPI*)(int);
using GetTestCameraSceneFn = int(WINAPI*)();

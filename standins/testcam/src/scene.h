// The scene value shared through the registry (see test_camera.h).
#pragma once

#include <windows.h>

namespace testcam {

int ReadScene();
HRESULT WriteScene(int scene);

}  // namespace testcam

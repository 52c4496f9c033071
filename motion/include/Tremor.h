/* The motion detector's exported interface: undecorated cdecl functions returning 0 on
   success and a negative code on failure (the text via GetLastErrorInfo, GBK bytes). */
#ifndef TREMOR_H
#define TREMOR_H

#ifdef TREMOR_BUILDING_DLL
#define TREMOR_API __declspec(dllexport)
#else
#define TREMOR_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Called on the channel's thread with state 1 when a picture differs from the background;
   the path is valid during the call only. */
typedef int(__cdecl* TremorEventWarning)(int state, int channel, const char* picturePath);

TREMOR_API int __cdecl SetCapNums(int count);
TREMOR_API int __cdecl FreeCapNums(int count);
TREMOR_API int __cdecl PictureCheckStart(int channel);
/* 0 when the channel's thread confirmed, -2 when it did not within 10 s. */
TREMOR_API int __cdecl PictureCheckStop(int channel);
TREMOR_API int __cdecl MoveCheckByPicFile(int channel, const char* picturePath);
TREMOR_API int __cdecl SetThreshold(int threshold);
TREMOR_API int __cdecl RegisterEventWarning(TremorEventWarning callback);
/* The buffer must hold 64 bytes. */
TREMOR_API int __cdecl GetLastErrorInfo(char* buffer);

#ifdef __cplusplus
}
#endif

#endif

// Export marking of Veneer's classes: exported by Veneer.dll, imported by its callers;
// plain in the native build and in programs that link the libraries statically.
#pragma once

#if defined(_WIN32) && !defined(VENEER_STATIC)
#ifdef VENEER_BUILDING_DLL
#define VENEER_API __declspec(dllexport)
#else
#define VENEER_API __declspec(dllimport)
#endif
#else
#define VENEER_API
#endif

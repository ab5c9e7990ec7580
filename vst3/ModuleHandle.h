#pragma once

// The handle of the loaded module, as the platform knows it: the HINSTANCE of the library
// on Windows, the dlopen handle on Linux. The module entry publishes it when the host
// initialises the module; the editor uses it to reach the module's resources and to
// register its window class. Null until published and after the module is shut down.
// Safe to read from any thread.
void* KoruModuleHandle();
void SetKoruModuleHandle(void* handle);

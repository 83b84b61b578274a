#pragma once

// The C interface of the audio configuration library (libosConfLib.so in "SDK/x64/linux/" of the program folder).
// The program loads the library at run time and looks its exports up by these names.
//
// Every call returns 0 on success. PropertyControl passes values through buffers the caller owns, reached through
// the address of a pointer to each buffer:
// - read (direction 0): the library writes the value into the first buffer as NUL-terminated wide-character text
//   (decimal or floating-point), never more than OSCONF_VALUE_BUFFER_BYTES bytes;
// - write (direction 1): the first buffer holds the value in binary, a 32-bit float for the scalar volume
//   properties ("VolumeScalarControl", "AAVolumeScalarControl") and a 32-bit integer for every other property;
// - the second buffer, where one is given, holds a 32-bit channel selector (-1 the microphone, 0 the monitor).

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OSCONF_VALUE_BUFFER_BYTES 1024
#define OSCONF_READ 0
#define OSCONF_WRITE 1

// One audio endpoint as the library lists it: list 0 holds output endpoints, list 1 input endpoints.
typedef struct OsConfDevice {
    int32_t id;
    int32_t kind; // 1 the headset's output, 2 the headset's microphone; other endpoints have other kinds
    int32_t value;
    int32_t flag; // 1 on the headset's output endpoint
} OsConfDevice;

typedef int (*OsConfLibInitFn)(void);
typedef int (*OsConfCreateDeviceListFn)(void);
typedef int (*OsConfGetDeviceCountFn)(int list, int32_t* count);
typedef int (*OsConfGetDeviceByIdFn)(int list, int index, OsConfDevice* device);
typedef int (*OsConfPropertyControlFn)(OsConfDevice device, const wchar_t* property, void** value, void** channel,
                                       int direction);
typedef int (*OsConfRegisterCallbackFunctionFn)(void* callback);
typedef int (*OsConfNoArgumentFn)(void);

int ConfLibInit(void);
int CreateDeviceList(void);
int GetDeviceCount(int list, int32_t* count);
int GetDeviceById(int list, int index, OsConfDevice* device);
int PropertyControl(OsConfDevice device, const wchar_t* property, void** value, void** channel, int direction);
// Present for callers that look them up; they do nothing and return 0.
int RegisterCallbackFunction(void* callback);
int ConfLibUnInit(void);
int ShowAsioPanel(void);
int PlayTestSound(void);
int StopTestSound(void);
int CloseTestSound(void);

#ifdef __cplusplus
}
#endif

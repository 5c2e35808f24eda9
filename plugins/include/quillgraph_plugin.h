/*
 * Quillgraph device plug-in interface.
 *
 * A plug-in describes one instrument model to Quillgraph. It is a shared library named
 * <Type>.so lying in the folder of the quillgraph program (never the current folder, never a
 * system library folder). <Type>, the file name without ".so", is the device type name shown
 * to the user and stored in the settings: at most 75 characters, each of them representable
 * in Windows-1252, not starting with '.'. There is no "lib" prefix.
 *
 * Exports are looked up by exactly these names, with C linkage and the platform's C calling
 * convention. Integers are 32-bit. Texts, in both directions, are zero-terminated
 * Windows-1252 strings.
 *
 *   DV_IsQuillgraphDLL()            nonzero: this library is a Quillgraph plug-in. Required.
 *   DV_GetDeviceParam(n, buf)       n == 0: the parameter count N as decimal text ("8");
 *                                   1 <= n <= N: the name of parameter n; other n: write "".
 *   DV_GetDeviceChannelsNumber()    N, the parameter count, 0 to 17.
 *   DV_GetOffSetReg(name)           position of that parameter's value in the block read
 *                                   from DV_GetInitReg(): 0 to N - 1.
 *   DV_GetInitReg()                 first register (0 to 65535) of the block of N registers
 *                                   that holds every parameter's value.
 *   DV_GetCommandType(kind)         Modbus function used to read the block (3: read holding
 *                                   registers). The host always passes kind 0.
 *   DV_GetInputType(n, buf)         the name of input type n.
 *
 * Optional exports (without them the host answers -1):
 *
 *   DV_GetDecPointPar(name)         decimal places of that parameter, or 15: they depend on
 *                                   the input type.
 *   DV_GetDecPointType(n)           decimal places of input type n, or 10: read them from the
 *                                   register DV_GetInitDecPoint() names.
 *   DV_GetInitDecPoint()            register that holds the device's decimal-point setting.
 *   DV_GetInitType()                register that holds the device's type code.
 *
 * Text buffers: the host passes a zeroed buffer of QG_PLUGIN_TEXT_BUFFER bytes. Write one name
 * and its terminating zero. Names of parameters and input types hold at most
 * QG_PLUGIN_NAME_MAX characters; the host refuses a longer one (the device is not polled,
 * the name is not shown), and never reads past the buffer.
 *
 * Every export must answer at once, from the calling thread, without blocking or keeping
 * state between calls. Quillgraph loads a plug-in on first use and never unloads it.
 *
 * Building on Linux (the declarations below give the exports default visibility; keep every
 * other symbol hidden):
 *
 *   cc -std=c11 -O2 -fPIC -fvisibility=hidden -shared -o MyDevice.so mydevice.c
 *
 * and copy MyDevice.so beside quillgraph. `quillgraph-cli plugins` lists the plug-ins found and
 * `quillgraph-cli plugins --describe MyDevice` prints every answer as Quillgraph sees it.
 */
#ifndef QUILLGRAPH_PLUGIN_H
#define QUILLGRAPH_PLUGIN_H

#include <stdint.h>

/* Size of every text buffer the host passes, terminating zero included. */
#define QG_PLUGIN_TEXT_BUFFER 1024
/* Longest parameter or input type name, in characters (bytes of Windows-1252). */
#define QG_PLUGIN_NAME_MAX 19
/* Longest device type name (file name without ".so"). */
#define QG_PLUGIN_TYPE_NAME_MAX 75
/* Largest parameter count. */
#define QG_PLUGIN_MAX_PARAMETERS 17

#if defined(__GNUC__)
#define QG_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define QG_PLUGIN_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

QG_PLUGIN_EXPORT uint8_t DV_IsQuillgraphDLL(void);
QG_PLUGIN_EXPORT void DV_GetDeviceParam(int32_t index, char* buffer);
QG_PLUGIN_EXPORT int32_t DV_GetDeviceChannelsNumber(void);
QG_PLUGIN_EXPORT int32_t DV_GetOffSetReg(const char* name);
QG_PLUGIN_EXPORT int32_t DV_GetInitReg(void);
QG_PLUGIN_EXPORT int32_t DV_GetCommandType(int32_t kind);
QG_PLUGIN_EXPORT void DV_GetInputType(int32_t number, char* buffer);

QG_PLUGIN_EXPORT int32_t DV_GetDecPointPar(const char* name);
QG_PLUGIN_EXPORT int32_t DV_GetDecPointType(int32_t number);
QG_PLUGIN_EXPORT int32_t DV_GetInitDecPoint(void);
QG_PLUGIN_EXPORT int32_t DV_GetInitType(void);

/* The same functions as the host sees them through dlsym. */
typedef uint8_t (*QG_IsQuillgraphDLL_fn)(void);
typedef void (*QG_GetText_fn)(int32_t, char*);
typedef int32_t (*QG_GetInt_fn)(void);
typedef int32_t (*QG_GetIntByName_fn)(const char*);
typedef int32_t (*QG_GetIntByNumber_fn)(int32_t);

#ifdef __cplusplus
}
#endif

#endif /* QUILLGRAPH_PLUGIN_H */

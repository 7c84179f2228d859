/* Stand-ins for ZKZIP.DLL, one source built several ways:
 *   ZK_WITH_VERSION  exports GetZkZipVersion, returning ZK_VERSION or the
 *                    number in the environment variable ZK_TESTLIB_VERSION
 *   ZK_WITH_EXEC     exports ZkZipExec, which writes out every field of the
 *                    command it receives, in the layout the version implies,
 *                    and answers the number of file specifications
 * The text written is what ZkTestLog hands out: "name=value" items, one
 * space after each, and the offset of every reserved byte that is not 0. */
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zkzip/zipdll.h"

#define EXPORT __declspec(dllexport)

static char logText[65536];

EXPORT const char* ZK_STDCALL ZkTestLog(void) { return logText; }

/* Read through the system, not the C run-time's copy of the environment:
 * the test sets it in the same process. */
static int32_t Version(void) {
    char v[16];
    DWORD n = GetEnvironmentVariableA("ZK_TESTLIB_VERSION", v, sizeof v);
    return n > 0 && n < sizeof v ? (int32_t)atoi(v) : ZK_VERSION;
}

#ifdef ZK_WITH_VERSION
EXPORT int32_t ZK_STDCALL GetZkZipVersion(void) { return Version(); }
#endif

#ifdef ZK_WITH_EXEC
#include <stdarg.h>
static void Put(const char* format, ...) {
    size_t used = strlen(logText);
    va_list args;
    va_start(args, format);
    vsnprintf(logText + used, sizeof logText - used, format, args);
    va_end(args);
}
static void Num(const char* name, long long value) { Put("%s=%lld ", name, value); }
static void Log(const char* name, const char* text) { text ? Put("%s=\"%s\" ", name, text) : Put("%s=null ", name); }
static void Zeros(const void* start, const void* from, size_t n) {
    size_t i;
    for (i = 0; i < n; ++i)
        if (((const unsigned char*)from)[i]) Put("set=0x%X ", (unsigned)((const char*)from - (const char*)start + i));
}
#define ZERO(base, member) Zeros(base, &(base)->member, sizeof((base)->member))

/* The fields from 0x00 to 0x7C, in both layouts. */
#define HEAD(c)                                                                                                \
    do {                                                                                                       \
        Num("handle", (intptr_t)(c)->handle), Num("caller", (intptr_t)(c)->caller), Num("version", (c)->version); \
        Num("callback", (c)->callback != 0), Num("trace", (c)->trace), Log("password", (c)->password);          \
        Log("suffixes", (c)->storeSuffixes), Num("encrypt", (c)->encrypt), Num("hidden", (c)->hiddenFiles);    \
        Num("volume", (c)->volume), Num("0x28", (c)->reserved28), Num("noDirEntries", (c)->noDirEntries);       \
        Num("0x30", (c)->reserved30), Num("verbose", (c)->verbose), Num("0x38", (c)->reserved38);              \
        Num("level", (c)->level), Num("0x44", (c)->reserved44), Num("dropDirNames", (c)->dropDirNames);        \
        Num("recurse", (c)->recurse), Num("0x50", (c)->reserved50), Num("forceDOS", (c)->forceDOS);            \
        Num("move", (c)->move), Num("0x5C", (c)->reserved5C), Num("update", (c)->update);                      \
        Num("freshen", (c)->freshen), Num("0x68", (c)->reserved68), Num("time", (c)->keepArchiveTime);         \
        Num("argCount", (c)->argCount), Log("archive", (c)->archiveName);                                      \
        ZERO(c, reserved40), ZERO(c, reserved4E), ZERO(c, reserved70);                                          \
    } while (0)

EXPORT int32_t ZK_STDCALL ZkZipExec(ZipCommand* cmd) {
    int32_t i;
    logText[0] = 0;
    if (Version() < ZK_NEW_LAYOUT_VERSION) {
        ZipCommandOld* c = (ZipCommandOld*)cmd;
        Put("layout=old ");
        HEAD(c);
        Num("endMark", c->endMark);
        for (i = 0; i < c->argCount && i < ZK_OLD_SPEC_SLOTS; ++i) Log("spec", c->fileSpecs[i]);
        for (; i < ZK_OLD_SPEC_SLOTS; ++i) /* the slots after the last entry stay empty */
            if (c->fileSpecs[i]) Num("slot set", i);
        return c->argCount;
    }
    HEAD(cmd);
    Log("tempDir", cmd->tempDir), Log("comment", cmd->comment), Num("archiveOnly", cmd->archiveOnly);
    Num("resetArchive", cmd->resetArchive), Num("exclCount", cmd->exclCount), Num("excl", cmd->excl != 0);
    for (i = 0; i < cmd->exclCount; ++i) Log("excl", cmd->excl[i]);
    Num("endMark", cmd->endMark);
    ZERO(cmd, reserved90), ZERO(cmd, reserved9C);
    for (i = 0; i < cmd->argCount; ++i) {
        const ZipFileSpec* s = &cmd->fileSpecs[i];
        Log("spec", s->fileSpec), Log("password", s->password), Num("encrypt", s->encrypt);
        Num("recurse", s->recurse), Log("rootDir", s->rootDir);
        ZERO(s, reserved04), ZERO(s, reserved16), ZERO(s, reserved18), ZERO(s, reserved28);
    }
    return cmd->argCount;
}
#endif

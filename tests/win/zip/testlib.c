/* Stand-ins for ZKZIP.DLL, one source built several ways:
 *   ZK_WITH_EXEC     exports ZkZipExec
 *   ZK_WITH_VERSION  exports GetZkZipVersion (returning ZK_VERSION, or the
 *                    number in the environment variable ZK_TESTLIB_VERSION)
 *   ZK_RECORD        ZkZipExec writes out every field of the command it
 *                    receives, in the layout the version implies, and
 *                    answers the number of file specifications
 * Otherwise ZkZipExec calls back once with every action code. Either way
 * the log is what ZkTestLog hands out. */
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zkzip/zipdll.h"

#define EXPORT __declspec(dllexport)

static char logText[65536];

EXPORT const char* ZK_STDCALL ZkTestLog(void) { return logText; }

#if defined(ZK_WITH_VERSION) || defined(ZK_RECORD)
/* Read through the system, not the C run-time's copy of the environment:
 * the test sets it in the same process. */
static int32_t Version(void) {
    char v[16];
    DWORD n = GetEnvironmentVariableA("ZK_TESTLIB_VERSION", v, sizeof v);
    return n > 0 && n < sizeof v ? (int32_t)atoi(v) : ZK_VERSION;
}
#endif

#ifdef ZK_WITH_VERSION
EXPORT int32_t ZK_STDCALL GetZkZipVersion(void) { return Version(); }
#endif

#ifdef ZK_WITH_EXEC
static void Log(const char* text) {
    size_t used = strlen(logText);
    if (used + strlen(text) < sizeof logText) strcat(logText, text);
}
#endif

#if defined(ZK_WITH_EXEC) && defined(ZK_RECORD)
static void Field(const char* name, long long value) {
    char line[64];
    snprintf(line, sizeof line, "%s=%lld\n", name, value);
    Log(line);
}

static void TextField(const char* name, const char* value) {
    Log(name);
    Log(value ? "=\"" : "=null");
    if (value) {
        Log(value);
        Log("\"");
    }
    Log("\n");
}

/* Bytes that must stay 0: named by their offset from the record's start. */
static void Zeros(const char* record, const void* start, const void* from, size_t n) {
    const unsigned char* p = (const unsigned char*)from;
    size_t i;
    for (i = 0; i < n; ++i)
        if (p[i]) {
            char line[80];
            snprintf(line, sizeof line, "%s: byte 0x%X is %u\n", record,
                     (unsigned)((const unsigned char*)from - (const unsigned char*)start + i), p[i]);
            Log(line);
        }
}

#define ZERO(rec, base, member) Zeros(rec, base, &(base)->member, sizeof((base)->member))

/* The fields from 0x00 to 0x7C, in both layouts. */
#define HEAD(c, rec)                                                    \
    do {                                                                \
        Field("handle", (long long)(intptr_t)(c)->handle);              \
        Field("caller", (long long)(intptr_t)(c)->caller);              \
        Field("version", (c)->version);                                 \
        Field("callback", (c)->callback != 0);                          \
        Field("trace", (c)->trace);                                     \
        TextField("password", (c)->password);                           \
        TextField("suffixes", (c)->storeSuffixes);                      \
        Field("encrypt", (c)->encrypt);                                 \
        Field("hidden", (c)->hiddenFiles);                              \
        Field("volume", (c)->volume);                                   \
        Field("0x28", (c)->reserved28);                                 \
        Field("noDirEntries", (c)->noDirEntries);                       \
        Field("0x30", (c)->reserved30);                                 \
        Field("verbose", (c)->verbose);                                 \
        Field("0x38", (c)->reserved38);                                 \
        Field("level", (c)->level);                                     \
        Field("0x44", (c)->reserved44);                                 \
        Field("dropDirNames", (c)->dropDirNames);                       \
        Field("recurse", (c)->recurse);                                 \
        Field("0x50", (c)->reserved50);                                 \
        Field("forceDOS", (c)->forceDOS);                               \
        Field("move", (c)->move);                                       \
        Field("0x5C", (c)->reserved5C);                                 \
        Field("update", (c)->update);                                   \
        Field("freshen", (c)->freshen);                                 \
        Field("0x68", (c)->reserved68);                                 \
        Field("keepArchiveTime", (c)->keepArchiveTime);                 \
        Field("argCount", (c)->argCount);                               \
        TextField("archive", (c)->archiveName);                         \
        ZERO(rec, c, reserved40);                                       \
        ZERO(rec, c, reserved4E);                                       \
        ZERO(rec, c, reserved70);                                       \
    } while (0)

EXPORT int32_t ZK_STDCALL ZkZipExec(ZipCommand* cmd) {
    int32_t i;
    logText[0] = 0;
    if (Version() < ZK_NEW_LAYOUT_VERSION) {
        ZipCommandOld* c = (ZipCommandOld*)cmd;
        Log("layout=old\n");
        HEAD(c, "command");
        Field("endMark", c->endMark);
        for (i = 0; i < c->argCount && i < ZK_OLD_SPEC_SLOTS; ++i) TextField("spec", c->fileSpecs[i]);
        /* The slots after the last entry stay empty. */
        for (; i < ZK_OLD_SPEC_SLOTS; ++i)
            if (c->fileSpecs[i]) Field("slot set", i);
        return c->argCount;
    }
    Log("layout=new\n");
    HEAD(cmd, "command");
    TextField("tempDir", cmd->tempDir);
    TextField("comment", cmd->comment);
    Field("archiveOnly", cmd->archiveOnly);
    Field("resetArchive", cmd->resetArchive);
    Field("exclCount", cmd->exclCount);
    Field("excl", cmd->excl != 0);
    for (i = 0; i < cmd->exclCount; ++i) TextField("excl", cmd->excl[i]);
    Field("endMark", cmd->endMark);
    ZERO("command", cmd, reserved90);
    ZERO("command", cmd, reserved9C);
    for (i = 0; i < cmd->argCount; ++i) {
        const ZipFileSpec* s = &cmd->fileSpecs[i];
        TextField("spec", s->fileSpec);
        TextField(" password", s->password);
        Field(" encrypt", s->encrypt);
        Field(" recurse", s->recurse);
        TextField(" rootDir", s->rootDir);
        ZERO("spec", s, reserved04);
        ZERO("spec", s, reserved16);
        ZERO("spec", s, reserved18);
        ZERO("spec", s, reserved28);
    }
    return cmd->argCount;
}
#elif defined(ZK_WITH_EXEC)

struct Step {
    int32_t action, error, value;
    const char* text;
};

static const struct Step steps[] = {
    {1, 0, 1234, "game/a.txt"},
    {2, 0, 512, ""},
    {3, 0, 0, ""},
    {4, 0x0105, 0, "Warnung  \r\n"},
    {5, 0, 3, ""},
    {6, 0, 99999, ""},
    {7, 0, 0, "old/name.txt"},
    {8, 1, 2, "secret.dat"},
    {9, 0x1111, 0x2222, "crc.txt"},
    {10, 1, 1, "over.txt"},
    {11, 0x0203, 5, "skip.txt"},
    {12, 0, 0, "comment.txt"},
    {13, 7, 8, "unknown"},
    {0, 7, 8, "none"},
};

EXPORT int32_t ZK_STDCALL ZkZipExec(ZipCommand* cmd) {
    char line[700];
    size_t i;
    logText[0] = 0;
    snprintf(line, sizeof line, "version=%d window=%d end=%d archive=%s;", (int)cmd->version, cmd->handle != 0,
             (int)cmd->endMark, cmd->archiveName ? cmd->archiveName : "(null)");
    Log(line);
    for (i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        ZipCallbackData d;
        int32_t r;
        memset(&d, 0, sizeof d);
        d.caller = cmd->caller;
        d.actionCode = steps[i].action;
        d.errorCode = steps[i].error;
        d.value = steps[i].value;
        strcpy(d.text, steps[i].text);
        if (d.actionCode == 12) d.text[ZK_COMMENT_BYTE_INDEX] = 'C';
        r = cmd->callback(&d);
        snprintf(line, sizeof line, "%d:%d:%d:%d:%s;", (int)d.actionCode, (int)r, (int)d.errorCode, (int)d.value,
                 d.text);
        Log(line);
    }
    return (int32_t)(sizeof steps / sizeof steps[0]);
}
#endif

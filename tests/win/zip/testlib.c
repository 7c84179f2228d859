/* Stand-ins for ZKZIP.DLL, one source built several ways:
 *   ZK_WITH_EXEC     exports ZkZipExec
 *   ZK_WITH_VERSION  exports GetZkZipVersion (returning ZK_VERSION)
 * ZkZipExec calls back once with every action code and keeps what came
 * back in a log that ZkTestLog hands out. */
#include <stdio.h>
#include <string.h>

#include "zip/zipdll.h"

#define EXPORT __declspec(dllexport)

static char logText[8192];

EXPORT const char* ZK_STDCALL ZkTestLog(void) { return logText; }

#ifdef ZK_WITH_VERSION
EXPORT int32_t ZK_STDCALL GetZkZipVersion(void) { return ZK_VERSION; }
#endif

#ifdef ZK_WITH_EXEC
static void Log(const char* text) {
    size_t used = strlen(logText);
    if (used + strlen(text) < sizeof logText) strcat(logText, text);
}

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

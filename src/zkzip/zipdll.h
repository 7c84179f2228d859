/* Records exchanged between the archive component and the zip library
 * ZKZIP.DLL. Plain C so either side may be built by any compiler.
 *
 * The byte layout below is fixed for the 32-bit program: the static
 * asserts at the end hold every offset and size on that build. On 64-bit
 * builds the pointers widen and the offsets move; both sides are built from
 * this same header there, so they still agree.
 *
 * Texts: every char* in these records is a NUL-terminated byte string owned
 * by the side that wrote it. The library takes names, folders, passwords and
 * the comment as UTF-8 (the program keeps its strings in UTF-8), and writes
 * UTF-8 back into the callback text buffer. Separators may be "\" or "/".
 *
 * Flags are 32-bit -1 for true and 0 for false unless marked 16-bit, where
 * true is 0xFFFF (recurse) or 1 (archive-only, reset-archive). The library
 * treats any non-zero value as true.
 */
#ifndef ZK_ZKZIP_ZIPDLL_H
#define ZK_ZKZIP_ZIPDLL_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define ZK_STDCALL __stdcall
#else
#define ZK_STDCALL
#endif

#ifdef __cplusplus
#define ZK_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define ZK_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

enum {
    ZK_INTERFACE_VERSION = 160,  /* written into every command; reported by the library */
    ZK_NEW_LAYOUT_VERSION = 151, /* libraries from here on read ZipCommand */
    ZK_OLD_SPEC_SLOTS = 4097,    /* file specifications in ZipCommandOld */
    ZK_END_MARK = 7,             /* last field of either layout */
    ZK_TEXT_SIZE = 512           /* callback text buffer, NUL included */
};

/* Callback action codes (ZipCallbackData.actionCode). */
enum {
    ZK_CB_FILE_START = 1, /* text = name, value = file size */
    ZK_CB_STEP = 2,       /* value = bytes processed in this step */
    ZK_CB_FILE_END = 3,
    ZK_CB_MESSAGE = 4,    /* errorCode = number (0 for information), text = message */
    ZK_CB_COUNT = 5,      /* value = number of files to process */
    ZK_CB_TOTAL = 6,      /* value = bytes to process */
    ZK_CB_NEW_NAME = 7,
    ZK_CB_PASSWORD = 8,   /* in: text = file, errorCode bit 0 = confirm, value = count;
                             out: errorCode 1 and text = password, or errorCode 0 */
    ZK_CB_CRC_ERROR = 9,
    ZK_CB_OVERWRITE = 10,
    ZK_CB_SKIPPED = 11,
    ZK_CB_COMMENT = 12
};

/* Numbers of ZK_CB_MESSAGE (errorCode): 0 for information; a failure
 * ends the command. When a file was at fault the second byte holds why
 * (zipundo::Reason: 1 read-only, 2 in use, 3 drive read-only, 4 disk full,
 * 5 archive busy, 6 folder missing, 7 denied, 8 other). */
enum {
    ZK_ERR_FORMAT = 3,     /* the archive is damaged or of a kind that is not updated */
    ZK_ERR_MEMORY = 4,
    ZK_ERR_TOO_BIG = 6,    /* beyond the 32-bit fields of the format */
    ZK_ERR_CANCEL = 9,     /* a callback asked to stop */
    ZK_ERR_TEMP = 10,      /* the temporary archive */
    ZK_ERR_READ = 11,      /* a file could not be read */
    ZK_ERR_NOTHING = 12,   /* nothing matched */
    ZK_ERR_NAME = 13,      /* no archive name */
    ZK_ERR_WRITE = 14,     /* the archive could not be written */
    ZK_ERR_CREATE = 15,    /* the archive could not be opened or created */
    ZK_ERR_BUSY = 16,      /* another program is writing the archive: its undo record is held */
    ZK_ERR_OPEN = 18,      /* a file to add could not be opened */
    ZK_ERR_UNDO = 20,      /* an interrupted add could not be undone: the archive stays as it was left */
    ZK_ERR_PASSWORD = 21,  /* encryption without a password */
    /* Files left out of an add that otherwise succeeds; the text names
     * them and says how many. */
    ZK_MSG_SKIPPED_TOO_DEEP = 22,  /* more folders deep than the library follows */
    ZK_MSG_SKIPPED_SAME_NAME = 23  /* the name in the archive is another file's */
};

typedef struct ZipCallbackData {
    void* handle;       /* 0x00 window handle of the command */
    void* caller;       /* 0x04 the command's caller, given back unchanged */
    int32_t reserved08; /* 0x08 */
    int32_t reserved0C; /* 0x0C */
    int32_t actionCode; /* 0x10 */
    int32_t errorCode;  /* 0x14 error number or in/out flag */
    int32_t value;      /* 0x18 size, count or in/out value */
    char text[ZK_TEXT_SIZE]; /* 0x1C name or message, in/out */
} ZipCallbackData;

/* The byte at 0x11C that seeds the file comment of action code 12 lies
 * inside the text buffer: it is text[ZK_COMMENT_BYTE_INDEX]. */
enum { ZK_COMMENT_BYTE_INDEX = 0x11C - 0x1C };

/* Answer 0 to go on, -1 to cancel the command. */
typedef int32_t(ZK_STDCALL* ZipCallbackFn)(ZipCallbackData* data);

/* One file specification of the new layout (104 bytes on 32-bit). */
typedef struct ZipFileSpec {
    char* fileSpec;          /* 0x00 name or wildcard pattern */
    int32_t reserved04[2];   /* 0x04 */
    char* password;          /* 0x0C this entry's password, or null */
    int32_t encrypt;         /* 0x10 non-zero: encrypt this entry */
    uint16_t recurse;        /* 0x14 0xFFFF: recurse into subfolders */
    uint16_t reserved16;
    int32_t reserved18[3];   /* 0x18 */
    char* rootDir;           /* 0x24 base folder of a relative spec, or null */
    int32_t reserved28[16];  /* 0x28 */
} ZipFileSpec;

/* Fields at 0x00 to 0x7C, the same in both layouts. */
#define ZK_COMMAND_HEAD                                                          \
    void* handle;             /* 0x00 window for the library's dialogs, or 0 */ \
    void* caller;             /* 0x04 given back in every callback */           \
    int32_t version;          /* 0x08 interface version, 160 */                 \
    ZipCallbackFn callback;   /* 0x0C */                                        \
    int32_t trace;            /* 0x10 */                                        \
    char* password;           /* 0x14 at most 81 characters, or null */         \
    char* storeSuffixes;      /* 0x18 ".gif:.png:..." or null */               \
    int32_t encrypt;          /* 0x1C */                                        \
    int32_t hiddenFiles;      /* 0x20 */                                        \
    int32_t volume;           /* 0x24 store the volume label */                 \
    int32_t reserved28;       /* 0x28 always 0 */                               \
    int32_t noDirEntries;     /* 0x2C 0: add entries for folders */             \
    int32_t reserved30;       /* 0x30 always 0 */                               \
    int32_t verbose;          /* 0x34 */                                        \
    int32_t reserved38;       /* 0x38 always -1 */                              \
    int32_t level;            /* 0x3C 0 (store) to 9 */                         \
    int32_t reserved40;       /* 0x40 */                                        \
    int32_t reserved44;       /* 0x44 always 0 */                               \
    int32_t dropDirNames;     /* 0x48 */                                        \
    uint16_t recurse;         /* 0x4C 16-bit, 0xFFFF or 0 */                    \
    uint16_t reserved4E;                                                        \
    int32_t reserved50;       /* 0x50 always -1 */                              \
    int32_t forceDOS;         /* 0x54 */                                        \
    int32_t move;             /* 0x58 */                                        \
    int32_t reserved5C;       /* 0x5C always 0 */                               \
    int32_t update;           /* 0x60 */                                        \
    int32_t freshen;          /* 0x64 */                                        \
    int32_t reserved68;       /* 0x68 always 0 */                               \
    int32_t keepArchiveTime;  /* 0x6C */                                        \
    int32_t reserved70[2];    /* 0x70 */                                        \
    int32_t argCount;         /* 0x78 number of file specifications */          \
    char* archiveName         /* 0x7C */

/* New layout, library version 151 and later (216 bytes on 32-bit). */
typedef struct ZipCommand {
    ZK_COMMAND_HEAD;
    char* tempDir;            /* 0x80 or null */
    char* comment;            /* 0x84 archive comment, or null */
    uint16_t archiveOnly;     /* 0x88 16-bit, 1: only files with the archive attribute */
    uint16_t resetArchive;    /* 0x8A 16-bit, 1: clear the attribute after adding */
    ZipFileSpec* fileSpecs;   /* 0x8C argCount records */
    int32_t reserved90;       /* 0x90 */
    int32_t exclCount;        /* 0x94 */
    char** excl;              /* 0x98 exclCount patterns */
    int32_t reserved9C[14];   /* 0x9C */
    int32_t endMark;          /* 0xD4 always 7 */
} ZipCommand;

/* Old layout, library versions below 151 (16520 bytes on 32-bit). */
typedef struct ZipCommandOld {
    ZK_COMMAND_HEAD;
    int32_t endMark;                     /* 0x80 always 7 */
    char* fileSpecs[ZK_OLD_SPEC_SLOTS];  /* 0x84 whole entries, in order */
} ZipCommandOld;

typedef int32_t(ZK_STDCALL* GetZkZipVersionFn)(void);
typedef int32_t(ZK_STDCALL* ZkZipExecFn)(ZipCommand* command);

#if defined(_WIN32) && !defined(_WIN64)
ZK_STATIC_ASSERT(sizeof(ZipCommand) == 216, "ZipCommand size");
ZK_STATIC_ASSERT(sizeof(ZipCommandOld) == 16520, "ZipCommandOld size");
ZK_STATIC_ASSERT(sizeof(ZipFileSpec) == 104, "ZipFileSpec size");
ZK_STATIC_ASSERT(offsetof(ZipCommand, handle) == 0x00, "handle");
ZK_STATIC_ASSERT(offsetof(ZipCommand, caller) == 0x04, "caller");
ZK_STATIC_ASSERT(offsetof(ZipCommand, version) == 0x08, "version");
ZK_STATIC_ASSERT(offsetof(ZipCommand, callback) == 0x0C, "callback");
ZK_STATIC_ASSERT(offsetof(ZipCommand, trace) == 0x10, "trace");
ZK_STATIC_ASSERT(offsetof(ZipCommand, password) == 0x14, "password");
ZK_STATIC_ASSERT(offsetof(ZipCommand, storeSuffixes) == 0x18, "storeSuffixes");
ZK_STATIC_ASSERT(offsetof(ZipCommand, encrypt) == 0x1C, "encrypt");
ZK_STATIC_ASSERT(offsetof(ZipCommand, hiddenFiles) == 0x20, "hiddenFiles");
ZK_STATIC_ASSERT(offsetof(ZipCommand, volume) == 0x24, "volume");
ZK_STATIC_ASSERT(offsetof(ZipCommand, reserved28) == 0x28, "0x28");
ZK_STATIC_ASSERT(offsetof(ZipCommand, noDirEntries) == 0x2C, "noDirEntries");
ZK_STATIC_ASSERT(offsetof(ZipCommand, reserved30) == 0x30, "0x30");
ZK_STATIC_ASSERT(offsetof(ZipCommand, verbose) == 0x34, "verbose");
ZK_STATIC_ASSERT(offsetof(ZipCommand, reserved38) == 0x38, "0x38");
ZK_STATIC_ASSERT(offsetof(ZipCommand, level) == 0x3C, "level");
ZK_STATIC_ASSERT(offsetof(ZipCommand, reserved44) == 0x44, "0x44");
ZK_STATIC_ASSERT(offsetof(ZipCommand, dropDirNames) == 0x48, "dropDirNames");
ZK_STATIC_ASSERT(offsetof(ZipCommand, recurse) == 0x4C, "recurse");
ZK_STATIC_ASSERT(offsetof(ZipCommand, reserved50) == 0x50, "0x50");
ZK_STATIC_ASSERT(offsetof(ZipCommand, forceDOS) == 0x54, "forceDOS");
ZK_STATIC_ASSERT(offsetof(ZipCommand, move) == 0x58, "move");
ZK_STATIC_ASSERT(offsetof(ZipCommand, reserved5C) == 0x5C, "0x5C");
ZK_STATIC_ASSERT(offsetof(ZipCommand, update) == 0x60, "update");
ZK_STATIC_ASSERT(offsetof(ZipCommand, freshen) == 0x64, "freshen");
ZK_STATIC_ASSERT(offsetof(ZipCommand, reserved68) == 0x68, "0x68");
ZK_STATIC_ASSERT(offsetof(ZipCommand, keepArchiveTime) == 0x6C, "keepArchiveTime");
ZK_STATIC_ASSERT(offsetof(ZipCommand, argCount) == 0x78, "argCount");
ZK_STATIC_ASSERT(offsetof(ZipCommand, archiveName) == 0x7C, "archiveName");
ZK_STATIC_ASSERT(offsetof(ZipCommand, tempDir) == 0x80, "tempDir");
ZK_STATIC_ASSERT(offsetof(ZipCommand, comment) == 0x84, "comment");
ZK_STATIC_ASSERT(offsetof(ZipCommand, archiveOnly) == 0x88, "archiveOnly");
ZK_STATIC_ASSERT(offsetof(ZipCommand, resetArchive) == 0x8A, "resetArchive");
ZK_STATIC_ASSERT(offsetof(ZipCommand, fileSpecs) == 0x8C, "fileSpecs");
ZK_STATIC_ASSERT(offsetof(ZipCommand, exclCount) == 0x94, "exclCount");
ZK_STATIC_ASSERT(offsetof(ZipCommand, excl) == 0x98, "excl");
ZK_STATIC_ASSERT(offsetof(ZipCommand, endMark) == 0xD4, "endMark");
ZK_STATIC_ASSERT(offsetof(ZipCommandOld, archiveName) == 0x7C, "old archiveName");
ZK_STATIC_ASSERT(offsetof(ZipCommandOld, endMark) == 0x80, "old endMark");
ZK_STATIC_ASSERT(offsetof(ZipCommandOld, fileSpecs) == 0x84, "old fileSpecs");
ZK_STATIC_ASSERT(offsetof(ZipFileSpec, fileSpec) == 0x00, "spec fileSpec");
ZK_STATIC_ASSERT(offsetof(ZipFileSpec, password) == 0x0C, "spec password");
ZK_STATIC_ASSERT(offsetof(ZipFileSpec, encrypt) == 0x10, "spec encrypt");
ZK_STATIC_ASSERT(offsetof(ZipFileSpec, recurse) == 0x14, "spec recurse");
ZK_STATIC_ASSERT(offsetof(ZipFileSpec, rootDir) == 0x24, "spec rootDir");
ZK_STATIC_ASSERT(offsetof(ZipCallbackData, caller) == 0x04, "cb caller");
ZK_STATIC_ASSERT(offsetof(ZipCallbackData, actionCode) == 0x10, "cb actionCode");
ZK_STATIC_ASSERT(offsetof(ZipCallbackData, errorCode) == 0x14, "cb errorCode");
ZK_STATIC_ASSERT(offsetof(ZipCallbackData, value) == 0x18, "cb value");
ZK_STATIC_ASSERT(offsetof(ZipCallbackData, text) == 0x1C, "cb text");
ZK_STATIC_ASSERT(offsetof(ZipCallbackData, text) + ZK_COMMENT_BYTE_INDEX == 0x11C, "cb comment byte");
ZK_STATIC_ASSERT(sizeof(ZipCallbackData) == 0x21C, "ZipCallbackData size");
#endif

#ifdef __cplusplus
}
#endif

#endif /* ZK_ZKZIP_ZIPDLL_H */

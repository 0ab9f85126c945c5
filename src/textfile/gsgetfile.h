// SPDX-License-Identifier: MIT
/* The interface of the optional file-dialog library libgsgetfile.so.
 *
 * Wordkeeper asks for the file of a bulk registration and for the name of an export
 * through this library when one is installed, and through its own standard dialogs
 * otherwise. The library is not part of Wordkeeper: anyone may build one, in any toolkit,
 * against this header alone (it needs nothing but the C library).
 *
 * Where it is looked for, for every request anew:
 *   1. next to the Wordkeeper executable (<folder of the program>/libgsgetfile.so);
 *   2. by the system's library search for the bare name "libgsgetfile.so"
 *      (LD_LIBRARY_PATH, the ld.so cache, /usr/lib ...). When LD_LIBRARY_PATH holds an
 *      empty or relative entry, which the loader would resolve against the current folder,
 *      only its absolute entries are searched instead. The current folder is never used.
 * The first library found serves the request. It is loaded just before the request and
 * unloaded (dlclose) as soon as the function returns, so a library installed or removed
 * while the program runs takes effect at the next request. A library must therefore leave
 * nothing behind when its function returns: no threads, timers, atexit handlers or
 * objects registered with a toolkit of the host.
 *
 * It exports one or both of
 *   int gsGetOpenFileName(GsFileRequest* request);  choose an existing file to read
 *   int gsGetSaveFileName(GsFileRequest* request);  choose a name to write
 * When the export that a request needs is missing, the standard dialog is shown instead.
 * The functions are called on the program's user-interface thread and run modally: they
 * return once the user has decided. They return 1 when the user chose a file, having
 * written its absolute path into `file`; any other value (0, 2, -1, ...) means that
 * nothing was chosen, and the command that asked ends without doing anything. A result
 * of 1 whose `file` is not an absolute path ending in a NUL within `fileSize` bytes is
 * taken as nothing chosen.
 */
#ifndef WORDKEEPER_GSGETFILE_H
#define WORDKEEPER_GSGETFILE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The layout described here; `version` holds it. Later versions only append fields, so a
 * library may read every field it knows of as long as `structSize` covers it. */
#define GS_FILE_REQUEST_VERSION 1

/* Bits of `flags`. */
#define GS_FILE_OVERWRITE_PROMPT 0x0002u /* save: ask before an existing file is replaced */
#define GS_FILE_HIDE_READONLY 0x0004u    /* offer no "open read-only" choice */
#define GS_FILE_MUST_EXIST 0x1000u       /* open: only an existing file may be chosen */

/* The most bytes of a path, its NUL included. */
#define GS_FILE_MAX_PATH 4096u

typedef struct GsFileRequest {
    uint32_t structSize; /* sizeof(GsFileRequest) as the program knows it */
    uint32_t version;    /* GS_FILE_REQUEST_VERSION */

    /* The native window id of the program's main window as Qt gives it (the X11 window
     * id under X11; 0 when there is none), for a dialog that wants to stay above it. */
    uint64_t ownerWindow;

    /* Pairs of NUL-terminated UTF-8 strings, the text shown and its patterns (several
     * separated by ";"), with one more NUL after the last pair:
     * "ﾃｷｽﾄﾌｧｲﾙ (*.txt)\0*.txt\0全てのﾌｧｲﾙ (*.*)\0*.*\0\0". "*.*" stands for every file,
     * also those without a "." in their name. */
    const char* filter;
    /* In: which filter is in force at the start, counted from 1; 0 means the first.
     * Out: the library sets it to the filter the user had chosen, counted from 1.
     * For the export, the third filter asks for the file to be written in UTF-8. */
    uint32_t filterIndex;

    /* Out: the chosen path, UTF-8 (on Linux, the file system's bytes), NUL-terminated.
     * It holds an empty string at the start; `fileSize` is its size in bytes. */
    char* file;
    uint32_t fileSize;

    const char* initialDir; /* the folder to start in, absolute, UTF-8 */
    const char* title;      /* the dialog's title, UTF-8 */
    uint32_t flags;         /* GS_FILE_* bits */
} GsFileRequest;

typedef int (*GsGetFileNameFunction)(GsFileRequest* request);

#ifdef __cplusplus
}
#endif

#endif /* WORDKEEPER_GSGETFILE_H */

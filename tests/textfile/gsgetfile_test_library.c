// SPDX-License-Identifier: MIT
/* A dialog library for the tests, told by WK_TEST_GSGETFILE_* what to answer: RESULT (default
 * 1), ANSWER (a path), FILTER (an index), FILL (a path buffer without a NUL), LOG (a file where
 * each call appends the request's fields). Built with WK_OPEN_ONLY it lacks gsGetSaveFileName. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "textfile/gsgetfile.h"

static int Answer(const char* name, GsFileRequest* request) {
    const char* log = getenv("WK_TEST_GSGETFILE_LOG");
    if (log != NULL) {
        FILE* out = fopen(log, "a");
        if (out != NULL) {
            fprintf(out, "%s|%s|%s|%u|%u|%u|%u", name, request->title, request->initialDir,
                    request->flags, request->filterIndex, request->structSize, request->version);
            for (const char* p = request->filter; *p != '\0'; p += strlen(p) + 1)
                fprintf(out, "|%s", p);
            fprintf(out, "\n");
            fclose(out);
        }
    }
    const char* answer = getenv("WK_TEST_GSGETFILE_ANSWER");
    if (getenv("WK_TEST_GSGETFILE_FILL") != NULL) {
        memset(request->file, '/', request->fileSize);
    } else if (answer != NULL && strlen(answer) < request->fileSize) {
        strcpy(request->file, answer);
    }
    const char* filter = getenv("WK_TEST_GSGETFILE_FILTER");
    if (filter != NULL) request->filterIndex = (uint32_t)atoi(filter);
    const char* result = getenv("WK_TEST_GSGETFILE_RESULT");
    return result != NULL ? atoi(result) : 1;
}

int gsGetOpenFileName(GsFileRequest* request) { return Answer("open", request); }

#ifndef WK_OPEN_ONLY
int gsGetSaveFileName(GsFileRequest* request) { return Answer("save", request); }
#endif

/* Windows builds of libxlsxwriter: forced into each of its C sources (and
 * its minizip and tmpfileplus), so that the files it opens by name open as
 * on Linux, by a UTF-8 name, also past MAX_PATH. Windows' C library takes
 * narrow names in the ANSI code page, where "Łódź" does not exist. */
#ifndef NELVO_LIBRARY_FILES_H
#define NELVO_LIBRARY_FILES_H

#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

#ifdef __cplusplus
extern "C" {
#endif

FILE* nelvo_library_fopen(const char* name, const char* mode);
int nelvo_library_open(const char* name, int flags, int mode);
int nelvo_library_stat(const char* name, struct stat* st);

#ifdef __cplusplus
}
#endif

/* After the C library's own declarations, which stay as they are. */
#ifndef NELVO_LIBRARY_FILES_DEFINITIONS
#define fopen nelvo_library_fopen
#define fopen64 nelvo_library_fopen
#define _open nelvo_library_open
#define stat(name, st) nelvo_library_stat(name, st)
#endif

#endif

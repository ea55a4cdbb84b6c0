// Preloaded into the journal's writer test: while a file named "full" lies in the folder that
// TARVOLT_FULL_DISK names, every write to another file of that folder fails as on a full disk
// (ENOSPC), so that SQLite meets a full disk where it really does, at the commit.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

// Found by the test, so that it knows the disk can be made full.
int tarvolt_full_disk_preloaded(void) {
    return 1;
}

static int diskIsFull(int fd) {
    const char* folder = getenv("TARVOLT_FULL_DISK");
    if (!folder || !*folder)
        return 0;
    char flag[PATH_MAX];
    snprintf(flag, sizeof flag, "%s/full", folder);
    if (access(flag, F_OK) != 0)
        return 0;
    char link[64];
    char target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, target, sizeof target - 1);
    if (length < 0)
        return 0;
    target[length] = '\0';
    const size_t prefix = strlen(folder);
    return strncmp(target, folder, prefix) == 0 && target[prefix] == '/';
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t offset) {
    static ssize_t (*real)(int, const void*, size_t, off64_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t, off64_t))dlsym(RTLD_NEXT, "pwrite64");
    if (diskIsFull(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buffer, count, offset);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite");
    if (diskIsFull(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buffer, count, offset);
}

ssize_t write(int fd, const void* buffer, size_t count) {
    static ssize_t (*real)(int, const void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    if (diskIsFull(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buffer, count);
}

/* Preloaded into Wine by the Windows tests: gives a pseudo-terminal the modem lines of a serial
 * port with a device attached (DSR, CTS, carrier).
 *
 * Wine waits for a COM port's events (WaitCommEvent, which Qt's serial port uses to learn that
 * bytes arrived) by polling the line's modem status; on a pseudo-terminal that ioctl fails, and
 * Wine then ends the wait as cancelled, which Qt takes for a device gone. A real port, or a USB
 * adapter, answers the ioctl: this makes the test's pseudo-terminal answer it too. Nothing else
 * is changed; every other call goes to the C library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

/* The pseudo-terminals' devices: major numbers 136 to 143 (Unix 98 ptys). */
static int is_pseudo_terminal(int fd)
{
    struct stat status;
    return fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) && major(status.st_rdev) >= 136
        && major(status.st_rdev) <= 143;
}

int ioctl(int fd, unsigned long request, ...)
{
    static int (*next)(int, unsigned long, ...);
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);
    if (!next) {
        next = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    }
    const int saved = errno;
    const int result = next(fd, request, argument);
    if (result == 0 || !is_pseudo_terminal(fd)) {
        return result;
    }
    switch (request) {
    case TIOCMGET:
        *(int *)argument = TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
        errno = saved;
        return 0;
    case TIOCMSET:
    case TIOCMBIS:
    case TIOCMBIC:
        errno = saved; /* the lines the program sets: a pseudo-terminal has none to set */
        return 0;
    default:
        return result;
    }
}

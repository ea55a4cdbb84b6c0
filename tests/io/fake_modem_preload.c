/* Preloaded into the pseudo-terminal test: answers the modem-line ioctls of pty slaves from
   state the test sets, since ptys have no modem lines of their own. Everything else goes to
   the real ioctl. A slave whose master was closed is hung up, like a pulled adapter: its modem
   ioctls fail with EIO. Like the kernel's, the wait compares against the counts it reads when
   it begins. TIOCGSERIAL reports a UART type the test sets (0, a USB adapter, unless told).
   fake_modem_loopback(1) puts the adapter test's loopback plug in: the inputs follow the outputs. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdint.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int inputs;
static int outputs;
static struct serial_icounter_struct counts;
static int failure;
static int passthrough;
static int uart_type;
static int loopback;
static int wake_fd = -1;
static long modem_calls;
static int inputs_at_next_wait = -1;
static long long changed_at_wait_ns;

static int is_pty_slave(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        return 0;
    }
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

static void count(int lines) {
    counts.cts += !!(lines & TIOCM_CTS);
    counts.dsr += !!(lines & TIOCM_DSR);
    counts.rng += !!(lines & TIOCM_RNG);
    counts.dcd += !!(lines & TIOCM_CAR);
}

static void wake(void) {
    if (wake_fd >= 0) {
        uint64_t one = 1;
        if (write(wake_fd, &one, sizeof one) < 0) {
            /* the waiter re-reads the counters anyway */
        }
    }
}

/* The test's controls, found with dlsym. */
/* An 8250 (UART types 1 to 30) counts RING only when it goes idle. */
static int uncounted(int changed, int now) {
    return uart_type >= 1 && uart_type <= 30 && (now & TIOCM_RNG) ? changed & ~TIOCM_RNG : changed;
}

void fake_modem_set_inputs(int lines) {
    pthread_mutex_lock(&lock);
    count(uncounted(inputs ^ lines, lines));
    inputs = lines;
    pthread_mutex_unlock(&lock);
    wake();
}

/* The adapter test's loopback plug: RTS to CTS, DTR to DSR, DCD and RI, at once. */
void fake_modem_loopback(int on) {
    pthread_mutex_lock(&lock);
    loopback = on;
    pthread_mutex_unlock(&lock);
}

/* With the plug in, the inputs follow the outputs (lock held). */
static int loop_outputs(void) {
    if (!loopback) {
        return 0;
    }
    const int lines = ((outputs & TIOCM_RTS) ? TIOCM_CTS : 0) |
                      ((outputs & TIOCM_DTR) ? TIOCM_DSR | TIOCM_CAR | TIOCM_RNG : 0);
    const int changed = inputs ^ lines;
    count(uncounted(changed, lines));
    inputs = lines;
    return changed;
}

void fake_modem_pulse(int lines) {
    pthread_mutex_lock(&lock);
    count(uncounted(lines, lines));
    count(lines);
    pthread_mutex_unlock(&lock);
    wake();
}

int fake_modem_outputs(void) {
    pthread_mutex_lock(&lock);
    const int result = outputs;
    pthread_mutex_unlock(&lock);
    return result;
}

void fake_modem_fail(int error) {
    pthread_mutex_lock(&lock);
    failure = error;
    pthread_mutex_unlock(&lock);
    wake();
}

void fake_modem_set_uart_type(int type) {
    pthread_mutex_lock(&lock);
    uart_type = type;
    pthread_mutex_unlock(&lock);
}

/* Modem-line ioctls (TIOCMGET, TIOCGICOUNT, TIOCMIWAIT, ...) on pty slaves so far. */
long fake_modem_calls(void) {
    pthread_mutex_lock(&lock);
    const long result = modem_calls;
    pthread_mutex_unlock(&lock);
    return result;
}

/* The inputs change as the next wait begins, after its caller read the counts and before the
   wait reads them: the moment a wait cannot see. */
void fake_modem_set_inputs_at_next_wait(int lines) {
    pthread_mutex_lock(&lock);
    inputs_at_next_wait = lines;
    pthread_mutex_unlock(&lock);
}

/* When that change happened (CLOCK_MONOTONIC, ns). */
long long fake_modem_changed_at_wait_ns(void) {
    pthread_mutex_lock(&lock);
    const long long result = changed_at_wait_ns;
    pthread_mutex_unlock(&lock);
    return result;
}

void fake_modem_passthrough(int on) {
    pthread_mutex_lock(&lock);
    passthrough = on;
    pthread_mutex_unlock(&lock);
}

/* The kernel hangs the slave up when its master closes. */
static int hung_up(int fd) {
    struct pollfd p = {fd, 0, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR));
}

static int moved(const struct serial_icounter_struct* start, unsigned long mask) {
    return ((mask & TIOCM_CTS) && start->cts != counts.cts) || ((mask & TIOCM_DSR) && start->dsr != counts.dsr) ||
           ((mask & TIOCM_RNG) && start->rng != counts.rng) || ((mask & TIOCM_CAR) && start->dcd != counts.dcd);
}

static int wait_change(int fd, unsigned long mask) {
    pthread_mutex_lock(&lock);
    if (wake_fd < 0) {
        wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    if (inputs_at_next_wait >= 0) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        changed_at_wait_ns = (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
        count(uncounted(inputs ^ inputs_at_next_wait, inputs_at_next_wait));
        inputs = inputs_at_next_wait;
        inputs_at_next_wait = -1;
    }
    const struct serial_icounter_struct start = counts;
    pthread_mutex_unlock(&lock);
    for (;;) {
        pthread_mutex_lock(&lock);
        const int error = failure;
        const int changed = moved(&start, mask);
        pthread_mutex_unlock(&lock);
        if (error) {
            errno = error;
            return -1;
        }
        if (changed) {
            return 0;
        }
        struct pollfd p[2] = {{wake_fd, POLLIN, 0}, {fd, 0, 0}};
        if (poll(p, 2, -1) < 0 && errno == EINTR) {
            return -1; /* like the tty layer: a signal ends the wait */
        }
        if (p[1].revents & (POLLHUP | POLLERR)) {
            errno = EIO;
            return -1;
        }
        uint64_t drained;
        if (read(wake_fd, &drained, sizeof drained) < 0) {
            /* nothing to drain */
        }
    }
}

static int modem_ioctl(int fd, unsigned long request, void* arg) {
    const int gone = hung_up(fd);
    pthread_mutex_lock(&lock);
    const int error = gone ? EIO : failure;
    int result = 0;
    int looped = 0;
    if (error) {
        result = -1;
    } else if (request == TIOCMGET) {
        *(int*)arg = inputs | outputs;
    } else if (request == TIOCMBIS) {
        outputs |= *(int*)arg & (TIOCM_DTR | TIOCM_RTS);
        looped = loop_outputs();
    } else if (request == TIOCMBIC) {
        outputs &= ~*(int*)arg;
        looped = loop_outputs();
    } else if (request == TIOCGICOUNT) {
        *(struct serial_icounter_struct*)arg = counts;
    } else if (request == TIOCGSERIAL) {
        struct serial_struct* info = (struct serial_struct*)arg;
        memset(info, 0, sizeof *info);
        info->type = uart_type;
    }
    pthread_mutex_unlock(&lock);
    if (looped) {
        wake();
    }
    if (error) {
        errno = error;
    }
    return result;
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real_ioctl)(int, unsigned long, ...);
    if (!real_ioctl) {
        real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    }
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);

    const int modem = request == TIOCMGET || request == TIOCMBIS || request == TIOCMBIC || request == TIOCGICOUNT ||
                      request == TIOCMIWAIT || request == TIOCGSERIAL;
    const int slave = modem && is_pty_slave(fd);
    pthread_mutex_lock(&lock);
    const int forward = passthrough;
    modem_calls += slave && !forward;
    pthread_mutex_unlock(&lock);
    if (!forward && slave) {
        return request == TIOCMIWAIT ? wait_change(fd, (unsigned long)arg) : modem_ioctl(fd, request, arg);
    }
    return real_ioctl(fd, request, arg);
}

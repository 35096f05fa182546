/* Starts a program and waits until a window of the given class is mapped
   on the display; prints the milliseconds from just before the start to the
   map, then, `rss_after` seconds after the start, the program's resident
   memory in KB, and ends the program.

     mapwait CLASS RSS_AFTER_SEC PROGRAM [ARGS...]

   Works with and without a reparenting window manager: every window mapped
   as a child of the root is searched for a window of CLASS. */
#define _DEFAULT_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static int has_class(Display* d, Window w, const char* cls, int depth) {
    XClassHint hint;
    int found = 0;
    if (XGetClassHint(d, w, &hint)) {
        found = (hint.res_class && strcmp(hint.res_class, cls) == 0) ||
                (hint.res_name && strcmp(hint.res_name, cls) == 0);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    if (found || depth > 3) return found;
    Window root, parent, *children = NULL;
    unsigned n = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && !found; ++i)
            found = has_class(d, children[i], cls, depth + 1);
        if (children) XFree(children);
    }
    return found;
}

static long rss_kb(pid_t pid) {
    char path[64], line[256];
    long kb = -1;
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* f = fopen(path, "r");
    if (!f) return -1;
    while (fgets(line, sizeof line, f))
        if (sscanf(line, "VmRSS: %ld", &kb) == 1) break;
    fclose(f);
    return kb;
}

static int ignore_errors(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0; /* a window gone while it was searched */
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: %s CLASS RSS_AFTER_SEC PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    const char* cls = argv[1];
    const double rss_after = atof(argv[2]);
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "no display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);

    const double start = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    double mapped = -1;
    while (mapped < 0) {
        if (now_ms() - start > 30000) break;
        if (!XPending(d)) {
            int status;
            if (waitpid(pid, &status, WNOHANG) == pid) break; /* ended before */
            usleep(200);
            continue;
        }
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == MapNotify && has_class(d, e.xmap.window, cls, 0)) mapped = now_ms() - start;
    }
    long kb = -1;
    if (mapped >= 0) {
        const double wait = rss_after * 1000 - (now_ms() - start);
        if (wait > 0) usleep((useconds_t)(wait * 1000));
        kb = rss_kb(pid);
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 50 && waitpid(pid, NULL, WNOHANG) != pid; ++i)
        usleep(100000);
    kill(pid, SIGKILL);
    waitpid(pid, NULL, 0);
    if (mapped < 0) {
        fprintf(stderr, "no window of class %s was mapped\n", cls);
        return 1;
    }
    printf("%.1f %ld\n", mapped, kb);
    XCloseDisplay(d);
    return 0;
}

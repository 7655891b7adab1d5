/* startup ROUNDS PROGRAM...: the median time, in ms, from starting each
 * PROGRAM to the first bytes of its prompt on a pipe, its stdin at end of
 * input. The programs take turns, so that a busy moment slows them alike;
 * posix_spawn keeps the harness's own cost small and the same for all. */
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int by_value(const void *a, const void *b) {
    double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

int main(int argc, char **argv) {
    int rounds = argc > 2 ? atoi(argv[1]) : 0, progs = argc - 2;
    if (rounds < 1) {
        fprintf(stderr, "usage: startup ROUNDS PROGRAM...\n");
        return 2;
    }
    double *ms = malloc(sizeof *ms * rounds * progs);
    for (int r = 0; r < rounds; r++) {
        for (int p = 0; p < progs; p++) {
            int out[2];
            char byte, *args[] = {argv[p + 2], NULL};
            posix_spawn_file_actions_t fa;
            pid_t pid;
            if (pipe(out) != 0) return 1;
            posix_spawn_file_actions_init(&fa);
            posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", 0, 0);
            posix_spawn_file_actions_adddup2(&fa, out[1], 1);
            posix_spawn_file_actions_addclose(&fa, out[0]);
            double start = now_ms();
            if (posix_spawn(&pid, args[0], &fa, NULL, args, environ) != 0) return 1;
            close(out[1]);
            if (read(out[0], &byte, 1) != 1) return 1;
            ms[p * rounds + r] = now_ms() - start;
            while (read(out[0], &byte, 1) > 0) {
            }
            close(out[0]);
            waitpid(pid, NULL, 0);
            posix_spawn_file_actions_destroy(&fa);
        }
    }
    for (int p = 0; p < progs; p++) {
        qsort(ms + p * rounds, rounds, sizeof *ms, by_value);
        printf("%s %.3f\n", argv[p + 2], ms[p * rounds + rounds / 2]);
    }
    free(ms);
    return 0;
}

// SPDX-License-Identifier: BSD-2-Clause
/*
 * Runs commands interleaved, round-robin: in each block, each command once
 * after the other, runs times over; so that whatever else the machine does
 * weighs on all of them alike.  The order changes from round to round, so
 * that each command follows each other as often: a command run right after
 * a slow one finds the caches that one left, and no command may always be
 * the one that does.  Standard output goes to /dev/null.
 *
 *	interleave BLOCKS RUNS WARMUP COMMAND...
 *
 * Each COMMAND is one argument, its words split at spaces, or at '|'
 * where it has one (a word with spaces of its own).  For each
 * command, one line: the median, first and third quartiles, minimum and
 * maximum of the wall-clock time of a run (fork to reaped), and the median
 * of its CPU time (user and system), in microseconds; then the median of
 * each block's median wall-clock time, lowest and highest.
 */
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

static double now_us(void)
{
	struct timespec t;

	clock_gettime(CLOCK_MONOTONIC, &t);
	return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

static int by_value(const void *a, const void *b)
{
	double x = *(const double *)a, y = *(const double *)b;

	return (x > y) - (x < y);
}

/* The value at fraction q of the sorted values, by linear interpolation. */
static double quantile(double *values, size_t n, double q)
{
	qsort(values, n, sizeof *values, by_value);
	double at = q * (double)(n - 1);
	size_t low = (size_t)at;
	size_t high = low + 1 < n ? low + 1 : low;
	return values[low] + (values[high] - values[low]) * (at - (double)low);
}

static int common_divisor(int a, int b)
{
	return b == 0 ? a : common_divisor(b, a % b);
}

/*
 * The command run k-th in round t of n commands: round t steps through
 * the commands by a stride prime to n, one stride a round in turn, from a
 * start that moves on once every stride has had its round.  With stride s
 * a command follows the one s before it: where n is prime, over the n - 1
 * strides each command follows every other as often.
 */
static int command_at(int t, int k, int n)
{
	int strides = 0, stride = 1;

	for (int s = 1; s < n; s++)
		strides += common_divisor(s, n) == 1;
	if (strides > 0) {
		int want = t % strides;
		for (int s = 1; s < n; s++)
			if (common_divisor(s, n) == 1 && want-- == 0) {
				stride = s;
				break;
			}
		t /= strides;
	}
	return (t + k * stride) % n;
}

static void run(char **argv, posix_spawn_file_actions_t *actions, double *wall,
    double *cpu)
{
	pid_t pid;
	int status;
	struct rusage usage;

	double start = now_us();
	if (posix_spawn(&pid, argv[0], actions, NULL, argv, environ) != 0) {
		perror(argv[0]);
		exit(1);
	}
	wait4(pid, &status, 0, &usage);
	*wall = now_us() - start;
	*cpu = usage.ru_utime.tv_sec * 1e6 + usage.ru_utime.tv_usec +
	    usage.ru_stime.tv_sec * 1e6 + usage.ru_stime.tv_usec;
}

int main(int argc, char **argv)
{
	if (argc < 5) {
		fprintf(stderr, "usage: interleave BLOCKS RUNS WARMUP COMMAND...\n");
		return 2;
	}
	int blocks = atoi(argv[1]), runs = atoi(argv[2]), warmup = atoi(argv[3]);
	int commands = argc - 4;
	char ***words = calloc((size_t)commands, sizeof *words);
	for (int c = 0; c < commands; c++) {
		words[c] = calloc(strlen(argv[4 + c]) + 2, sizeof **words);
		int n = 0;
		const char *split = strchr(argv[4 + c], '|') ? "|" : " ";
		for (char *w = strtok(argv[4 + c], split); w != NULL;
		     w = strtok(NULL, split))
			words[c][n++] = w;
	}
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);

	size_t n = (size_t)blocks * (size_t)runs;
	double *wall = calloc((size_t)commands * n, sizeof *wall);
	double *cpu = calloc((size_t)commands * n, sizeof *cpu);
	double w, u;
	for (int i = 0; i < warmup; i++)
		for (int k = 0; k < commands; k++)
			run(words[command_at(i, k, commands)], &actions, &w, &u);
	for (int b = 0; b < blocks; b++)
		for (int r = 0; r < runs; r++)
			for (int k = 0; k < commands; k++) {
				int c = command_at(b * runs + r, k, commands);
				size_t at = (size_t)c * n +
				    (size_t)b * (size_t)runs + (size_t)r;
				run(words[c], &actions, &wall[at], &cpu[at]);
			}
	for (int c = 0; c < commands; c++) {
		double *cw = wall + (size_t)c * n, *cc = cpu + (size_t)c * n;
		double block_median[64];
		int counted = blocks < 64 ? blocks : 64;
		for (int b = 0; b < counted; b++) {
			double copy[n];
			memcpy(copy, cw + (size_t)b * (size_t)runs,
			    (size_t)runs * sizeof *copy);
			block_median[b] = quantile(copy, (size_t)runs, 0.5);
		}
		double low = quantile(block_median, (size_t)counted, 0);
		double high = quantile(block_median, (size_t)counted, 1);
		printf("%.2f %.2f %.2f %.2f %.2f %.2f %.2f %.2f\n",
		    quantile(cw, n, 0.5), quantile(cw, n, 0.25),
		    quantile(cw, n, 0.75), quantile(cw, n, 0),
		    quantile(cw, n, 1), quantile(cc, n, 0.5), low, high);
	}
	return 0;
}

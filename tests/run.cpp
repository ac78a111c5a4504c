#include "run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

const std::string report_header = "\t\t\t\t\tCurrent\t\t\t\tUnit\n";

namespace {

void fail(const char *what)
{
	throw std::runtime_error(what);
}

[[noreturn]] void exec_child(const std::vector<std::string> &argv,
    int out_fd, int err_fd, const run_options &options)
{
	if (options.close_reader) {
		int dead[2];
		if (pipe(dead) != 0)
			_exit(126);
		close(dead[0]);
		signal(SIGPIPE, SIG_IGN);
		dup2(dead[1], STDOUT_FILENO);
	} else if (options.stdout_path != nullptr) {
		int fd = open(options.stdout_path, O_WRONLY);
		if (fd < 0)
			_exit(126);
		dup2(fd, STDOUT_FILENO);
	} else {
		dup2(out_fd, STDOUT_FILENO);
	}
	dup2(options.merge_streams ? out_fd : err_fd, STDERR_FILENO);
	int null_fd = open("/dev/null", O_RDONLY);
	dup2(null_fd, STDIN_FILENO);
	// The child starts with the three standard streams and nothing else.
	close_range(3, ~0U, 0);

	std::vector<char *> args;
	for (const std::string &a : argv)
		args.push_back(const_cast<char *>(a.c_str()));
	args.push_back(nullptr);
	execv(args[0], args.data());
	_exit(127);
}

// Reads both pipes until the child has closed them.
void drain(int out_fd, int err_fd, run_result *result)
{
	pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
	std::string *sinks[2] = {&result->out, &result->err};
	int open_fds = 2;
	char buffer[4096];

	while (open_fds > 0) {
		if (poll(fds, 2, 20000) <= 0)
			fail("child wrote nothing for 20 s");
		for (int i = 0; i < 2; i++) {
			if (fds[i].revents == 0)
				continue;
			ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
			if (n > 0) {
				sinks[i]->append(buffer, static_cast<size_t>(n));
			} else {
				fds[i].fd = -1;
				open_fds--;
			}
		}
	}
}

} // namespace

run_result run_command(const std::vector<std::string> &argv, run_options options)
{
	int out_pipe[2], err_pipe[2];
	if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0)
		fail("pipe");
	pid_t pid = fork();
	if (pid < 0)
		fail("fork");
	if (pid == 0) {
		close(out_pipe[0]);
		close(err_pipe[0]);
		exec_child(argv, out_pipe[1], err_pipe[1], options);
	}
	close(out_pipe[1]);
	close(err_pipe[1]);

	run_result result{};
	drain(out_pipe[0], err_pipe[0], &result);
	close(out_pipe[0]);
	close(err_pipe[0]);

	int status;
	if (waitpid(pid, &status, 0) != pid)
		fail("waitpid");
	result.status = WIFEXITED(status) ? WEXITSTATUS(status)
	                                  : 128 + WTERMSIG(status);
	return result;
}

namespace {

std::string write_scenario(const std::string &text)
{
	const char *dir = getenv("TMPDIR");
	std::string path = std::string(dir ? dir : "/tmp") + "/pelko-scenario-XXXXXX";
	int fd = mkstemp(path.data());
	if (fd < 0)
		fail("mkstemp");
	if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
		fail("write");
	close(fd);
	return path;
}

} // namespace

run_result run_sim_file(const std::string &path,
    const std::vector<std::string> &args, run_options options)
{
	std::vector<std::string> argv{PELKO_SIM_PATH, path};
	argv.insert(argv.end(), args.begin(), args.end());
	return run_command(argv, options);
}

run_result run_sim(const std::string &scenario,
    const std::vector<std::string> &args, run_options options)
{
	std::string path = write_scenario(scenario);
	run_result result = run_sim_file(path, args, options);
	unlink(path.c_str());
	return result;
}

run_result run_pelko(const std::vector<std::string> &args, run_options options)
{
	std::vector<std::string> argv{PELKO_PATH};
	argv.insert(argv.end(), args.begin(), args.end());
	return run_command(argv, options);
}

// SPDX-License-Identifier: BSD-2-Clause
#include "run.h"

#include <sys/wait.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

const std::string report_header = "\t\t\t\t\tCurrent\t\t\t\tUnit\n";

namespace {

void fail(const char *what)
{
	throw std::runtime_error(what);
}

[[noreturn]] void exec_child(const std::vector<std::string> &argv, int out_fd,
    int err_fd, const run_options &options)
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
	if (options.close_stdout)
		close(STDOUT_FILENO);

	std::vector<char *> args;
	args.reserve(argv.size() + 1);
	for (const std::string &a : argv)
		args.push_back(const_cast<char *>(a.c_str()));
	args.push_back(nullptr);
	execv(args[0], args.data());
	_exit(127);
}

// What one run may write before the child is killed and the test fails:
// a regression that turns a bad -i value into an accepted one would
// otherwise loop for ever, writing without end.  A run that hangs is
// ended by the test's own time-out, however loaded the machine is.
constexpr size_t run_output_limit = 64 << 20;

std::string command_line(const std::vector<std::string> &argv)
{
	std::string text;
	for (const std::string &a : argv)
		text += (text.empty() ? "" : " ") + ("'" + a + "'");
	return text;
}

// Reads both pipes until the child has closed them; false when it
// writes past the output limit.
bool drain(int out_fd, int err_fd, run_result *result)
{
	pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
	std::string *sinks[2] = {&result->out, &result->err};
	int open_fds = 2;
	char buffer[65536];

	while (open_fds > 0) {
		int ready = poll(fds, 2, -1);
		if (ready < 0 && errno == EINTR)
			continue;
		if (ready <= 0)
			return false;
		for (int i = 0; i < 2; i++) {
			if (fds[i].revents == 0)
				continue;
			ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
			if (n > 0) {
				sinks[i]->append(buffer,
				    static_cast<size_t>(n));
			} else {
				fds[i].fd = -1;
				open_fds--;
			}
		}
		if (result->out.size() + result->err.size() > run_output_limit)
			return false;
	}
	return true;
}

} // namespace

run_result run_command(const std::vector<std::string> &argv,
    run_options options)
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
	bool finished = drain(out_pipe[0], err_pipe[0], &result);
	close(out_pipe[0]);
	close(err_pipe[0]);
	if (!finished)
		kill(pid, SIGKILL);

	int status;
	if (waitpid(pid, &status, 0) != pid)
		fail("waitpid");
	if (!finished)
		throw std::runtime_error("killed after " +
		    std::to_string(result.out.size() + result.err.size()) +
		    " bytes of output: " + command_line(argv));
	result.status =
	    WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
	return result;
}

namespace {

std::string write_scenario(const std::string &text)
{
	const char *dir = getenv("TMPDIR");
	std::string path =
	    std::string(dir ? dir : "/tmp") + "/pelko-scenario-XXXXXX";
	int fd = mkstemp(path.data());
	if (fd < 0)
		fail("mkstemp");
	if (write(fd, text.data(), text.size()) !=
	    static_cast<ssize_t>(text.size()))
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
	// Removed however the run ends, a time-out included.
	struct scenario_file {
		std::string path;
		~scenario_file() { unlink(path.c_str()); }
	} file{write_scenario(scenario)};
	return run_sim_file(file.path, args, options);
}

run_result run_pelko(const std::vector<std::string> &args, run_options options)
{
	std::vector<std::string> argv{PELKO_PATH};
	argv.insert(argv.end(), args.begin(), args.end());
	return run_command(argv, options);
}

std::string read_file(const std::string &path)
{
	std::ifstream in(path);
	std::stringstream text;
	text << in.rdbuf();
	return text.str();
}

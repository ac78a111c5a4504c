// SPDX-License-Identifier: BSD-2-Clause
// Runs pelko or pelko-sim as a child process and collects what it wrote.
#pragma once

#include <string>
#include <vector>

struct run_result {
	int status;	 // exit status, or 128 + signal number
	std::string out; // standard output (both streams with merge_streams)
	std::string err; // standard error
};

struct run_options {
	bool merge_streams = false; // standard error goes to the same pipe
	const char *stdout_path = nullptr; // standard output goes to this file
	bool close_reader = false; // standard output is a pipe nobody reads,
				   // with SIGPIPE ignored
	bool close_stdout = false; // standard output is closed
};

// pelko-sim with a scenario given as text, then pelko's arguments.
run_result run_sim(const std::string &scenario,
    const std::vector<std::string> &args, run_options options = {});

// pelko-sim with the scenario file at path.
run_result run_sim_file(const std::string &path,
    const std::vector<std::string> &args, run_options options = {});

// Any program, argv[0] its path.
run_result run_command(const std::vector<std::string> &argv,
    run_options options = {});

// The real pelko of this machine.
run_result run_pelko(const std::vector<std::string> &args,
    run_options options = {});

// The whole file at path; "" when it cannot be read.
std::string read_file(const std::string &path);

// The column header line that starts every report.
extern const std::string report_header;

// SPDX-License-Identifier: BSD-2-Clause
// pelko-sim's scenario reader: one directive a line, as tests/README.md
// describes.  What it cannot take stops the run with status 2, naming the
// file and line.

#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "scenario.h"

namespace {

scenario *machine;
const char *scenario_path;
unsigned scenario_line;

[[noreturn]] __attribute__((format(printf, 1, 2))) void
malformed(const char *format, ...)
{
	va_list ap;

	fprintf(stderr, "pelko-sim: %s:%u: ", scenario_path, scenario_line);
	va_start(ap, format);
	vfprintf(stderr, format, ap);
	va_end(ap);
	fputc('\n', stderr);
	exit(2);
}

// A word of a scenario line; `quoted` tells a string from a bare word.
struct word {
	std::string text;
	bool quoted;
};

int hex_digit(char c)
{
	if (c >= '0' && c <= '9')
		return c - '0';
	if (c >= 'a' && c <= 'f')
		return c - 'a' + 10;
	if (c >= 'A' && c <= 'F')
		return c - 'A' + 10;
	return -1;
}

const char *read_quoted(const char *p, std::string *out)
{
	for (p++; *p != '"'; p++) {
		if (*p == '\0')
			malformed("unterminated string");
		if (*p != '\\') {
			out->push_back(*p);
			continue;
		}
		p++;
		switch (*p) {
		case '"':
			out->push_back('"');
			break;
		case '\\':
			out->push_back('\\');
			break;
		case 't':
			out->push_back('\t');
			break;
		case 'n':
			out->push_back('\n');
			break;
		case 'x': {
			int high = hex_digit(p[1]);
			int low = high < 0 ? -1 : hex_digit(p[2]);
			if (low < 0)
				malformed("\\x needs two hex digits");
			out->push_back(static_cast<char>(high * 16 + low));
			p += 2;
			break;
		}
		default:
			malformed("unknown escape in string");
		}
	}
	p++;
	if (*p != '\0' && *p != ' ' && *p != '\t')
		malformed("text right after a closing quote");
	return p;
}

// Splits a line into words; a double-quoted word may hold blanks and the
// escapes \" \\ \t \n \xHH.
std::vector<word> split_words(const char *line)
{
	std::vector<word> words;
	const char *p = line;

	for (;;) {
		while (*p == ' ' || *p == '\t')
			p++;
		if (*p == '\0')
			return words;
		word w{"", *p == '"'};
		if (w.quoted) {
			p = read_quoted(p, &w.text);
		} else {
			while (*p != '\0' && *p != ' ' && *p != '\t')
				w.text.push_back(*p++);
		}
		words.push_back(w);
	}
}

long long parse_number(const word &w, long long min, long long max)
{
	const char *text = w.text.c_str();
	char *end;

	if (w.quoted || text[0] == '\0' || text[0] == '+')
		malformed("'%s' is not a decimal number", text);
	errno = 0;
	long long value = strtoll(text, &end, 10);
	if (*end != '\0' || errno == ERANGE)
		malformed("'%s' is not a decimal number", text);
	if (value < min || value > max)
		malformed("%s is out of range", text);
	return value;
}

int32_t parse_int32(const word &w)
{
	return static_cast<int32_t>(parse_number(w, INT32_MIN, INT32_MAX));
}

// A record field: any 32-bit pattern, signed or unsigned, -1 is all ones.
uint32_t parse_field(const word &w)
{
	return static_cast<uint32_t>(parse_number(w, INT32_MIN, UINT32_MAX));
}

void parse_string_field(const word &w, char (&field)[ACPI_CMBAT_MAXSTRLEN])
{
	if (!w.quoted)
		malformed("'%s' is not a quoted string", w.text.c_str());
	if (w.text.size() > sizeof field)
		malformed("string longer than %zu bytes", sizeof field);
	memset(field, 0, sizeof field);
	memcpy(field, w.text.data(), w.text.size());
}

void expect_words(const std::vector<word> &words, size_t count)
{
	if (words.size() != count)
		malformed("%s takes %zu arguments, not %zu",
		    words[0].text.c_str(), count - 1, words.size() - 1);
}

void add_variable(const word &w, const sim_variable &variable)
{
	if (w.quoted || w.text.empty())
		malformed("a variable name is a bare word");
	if (!machine->variables.emplace(w.text, variable).second)
		malformed("%s is listed twice", w.text.c_str());
}

void add_answer(unsigned long request, const word &unit,
    const sim_answer &answer)
{
	int number = parse_int32(unit);

	for (sim_answers &a : machine->answers) {
		if (a.request == request && a.unit == number) {
			a.queue.push_back(answer);
			return;
		}
	}
	machine->answers.push_back(sim_answers{request, number, {answer}, 0});
}

// "REQUEST UNIT fail" queues a failing answer.
bool parse_failure(unsigned long request, const std::vector<word> &w)
{
	if (w.size() != 3 || w[2].quoted || w[2].text != "fail")
		return false;
	sim_answer answer;
	memset(&answer, 0, sizeof answer);
	answer.fails = true;
	add_answer(request, w[1], answer);
	return true;
}

// battinfo and bst: a unit, then the record's four 32-bit fields in order.
void parse_four_fields(unsigned long request, const std::vector<word> &w)
{
	sim_answer answer;
	uint32_t fields[4];

	if (parse_failure(request, w))
		return;
	expect_words(w, 6);
	for (size_t i = 0; i < 4; i++)
		fields[i] = parse_field(w[2 + i]);
	memset(&answer, 0, sizeof answer);
	memcpy(&answer.record, fields, sizeof fields);
	add_answer(request, w[1], answer);
}

void parse_bif(const std::vector<word> &w)
{
	sim_answer answer;
	acpi_bif &bif = answer.record.bif;

	if (parse_failure(ACPIIO_BATT_GET_BIF, w))
		return;
	expect_words(w, 15);
	memset(&answer, 0, sizeof answer);
	uint32_t *numbers[] = {&bif.units, &bif.dcap, &bif.lfcap, &bif.btech,
	    &bif.dvol, &bif.wcap, &bif.lcap, &bif.gra1, &bif.gra2};
	for (size_t i = 0; i < 9; i++)
		*numbers[i] = parse_field(w[2 + i]);
	parse_string_field(w[11], bif.model);
	parse_string_field(w[12], bif.serial);
	parse_string_field(w[13], bif.type);
	parse_string_field(w[14], bif.oeminfo);
	add_answer(ACPIIO_BATT_GET_BIF, w[1], answer);
}

// bix: a unit, the record's revision and its cycle count; the rest of the
// record is zeros.
void parse_bix(const std::vector<word> &w)
{
	sim_answer answer;

	if (parse_failure(ACPIIO_BATT_GET_BIX, w))
		return;
	expect_words(w, 4);
	memset(&answer, 0, sizeof answer);
	answer.record.bix.rev =
	    static_cast<uint16_t>(parse_number(w[2], 0, UINT16_MAX));
	answer.record.bix.cycles = parse_field(w[3]);
	add_answer(ACPIIO_BATT_GET_BIX, w[1], answer);
}

// A register's address or value: decimal, or hexadecimal after 0x.
uint64_t parse_wide(const word &w, uint64_t max)
{
	const char *text = w.text.c_str();
	char *end;

	if (w.quoted || text[0] < '0' || text[0] > '9')
		malformed("'%s' is not a number", text);
	errno = 0;
	unsigned long long value = strtoull(text, &end, 0);
	if (*end != '\0' || errno == ERANGE || value > max)
		malformed("'%s' is not a number up to %llu", text,
		    static_cast<unsigned long long>(max));
	return value;
}

// "msr CPU ADDRESS VALUE...": the register's successive values.
void parse_msr(const std::vector<word> &w)
{
	if (w.size() < 4)
		malformed("msr takes a CPU, an address and values");
	sim_register r{parse_int32(w[1]),
	    static_cast<uint32_t>(parse_wide(w[2], UINT32_MAX)), {}, 0};
	for (const sim_register &other : machine->registers)
		if (other.cpu == r.cpu && other.address == r.address)
			malformed("msr %s %s is given twice", w[1].text.c_str(),
			    w[2].text.c_str());
	for (size_t i = 3; i < w.size(); i++)
		r.values.push_back(parse_wide(w[i], UINT64_MAX));
	machine->registers.push_back(r);
}

// "cpuid CPU LEAF EAX EBX ECX EDX".
void parse_cpuid(const std::vector<word> &w)
{
	expect_words(w, 7);
	sim_cpuid c{parse_int32(w[1]),
	    static_cast<uint32_t>(parse_wide(w[2], UINT32_MAX)), {}};
	for (size_t i = 0; i < 4; i++)
		c.data[i] =
		    static_cast<uint32_t>(parse_wide(w[3 + i], UINT32_MAX));
	machine->cpuids.push_back(c);
}

// "cpuctl CPU fail ERRNO": the CPU's device does not open.
void parse_cpuctl(const std::vector<word> &w)
{
	expect_words(w, 4);
	if (w[2].quoted || w[2].text != "fail")
		malformed("cpuctl takes a CPU, fail and an error number");
	int cpu = parse_int32(w[1]);
	if (!machine->cpuctl_fails.emplace(cpu, parse_int32(w[3])).second)
		malformed("cpuctl %d is given twice", cpu);
}

void parse_acpi(const std::vector<word> &w)
{
	expect_words(w, 2);
	if (machine->acpi_given)
		malformed("acpi is given twice");
	machine->acpi_given = true;
	if (w[1].text == "rw")
		machine->acpi = acpi_mode::read_write;
	else if (w[1].text == "ro")
		machine->acpi = acpi_mode::read_only;
	else if (w[1].text == "none")
		machine->acpi = acpi_mode::none;
	else
		malformed("acpi takes rw, ro or none");
}

void parse_line(const char *line)
{
	// A comment is ignored whole, quotes and backslashes included.
	const char *first = line + strspn(line, " \t");
	if (*first == '#')
		return;
	std::vector<word> w = split_words(line);
	if (w.empty())
		return;
	const std::string &directive = w[0].text;
	if (w[0].quoted) {
		malformed("a line must begin with a directive");
	} else if (directive == "ncpu") {
		expect_words(w, 2);
		if (machine->have_ncpu)
			malformed("ncpu is given twice");
		machine->have_ncpu = true;
		machine->ncpu = parse_int32(w[1]);
	} else if (directive == "int") {
		expect_words(w, 3);
		add_variable(w[1], sim_variable{false, {parse_int32(w[2])}});
	} else if (directive == "ints") {
		if (w.size() < 3)
			malformed("ints takes a name and at least one value");
		sim_variable array{false, {}};
		for (size_t i = 2; i < w.size(); i++)
			array.values.push_back(parse_int32(w[i]));
		add_variable(w[1], array);
	} else if (directive == "fmt") {
		expect_words(w, 3);
		if (!machine->formats.emplace(w[1].text, w[2].text).second)
			malformed("the format of %s is given twice",
			    w[1].text.c_str());
	} else if (directive == "node") {
		expect_words(w, 2);
		add_variable(w[1], sim_variable{true, {}});
	} else if (directive == "acpi") {
		parse_acpi(w);
	} else if (directive == "battinfo") {
		parse_four_fields(ACPIIO_BATT_GET_BATTINFO, w);
	} else if (directive == "bif") {
		parse_bif(w);
	} else if (directive == "bst") {
		parse_four_fields(ACPIIO_BATT_GET_BST, w);
	} else if (directive == "bix") {
		parse_bix(w);
	} else if (directive == "msr") {
		parse_msr(w);
	} else if (directive == "cpuid") {
		parse_cpuid(w);
	} else if (directive == "cpuctl") {
		parse_cpuctl(w);
	} else if (directive == "cycles") {
		expect_words(w, 2);
		if (machine->cycles != 0)
			malformed("cycles is given twice");
		machine->cycles =
		    static_cast<long>(parse_number(w[1], 1, INT32_MAX));
	} else {
		malformed("unknown directive '%s'", directive.c_str());
	}
}

} // namespace

void load_scenario(const char *path, scenario *into)
{
	FILE *file = fopen(path, "r");
	char *line = nullptr;
	size_t capacity = 0;
	ssize_t length;

	scenario_path = path;
	machine = into;
	if (file == nullptr) {
		fprintf(stderr, "pelko-sim: %s: %s\n", path, strerror(errno));
		exit(2);
	}
	while ((length = getline(&line, &capacity, file)) != -1) {
		scenario_line++;
		if (length > 0 && line[length - 1] == '\n')
			line[--length] = '\0';
		if (strlen(line) != static_cast<size_t>(length))
			malformed("NUL byte in line");
		if (length > 0 && line[length - 1] == '\r')
			malformed(
			    "carriage return at the end of the line (CRLF line ends)");
		parse_line(line);
	}
	// A file that opens but cannot be read, a directory say, is no scenario.
	if (ferror(file)) {
		fprintf(stderr, "pelko-sim: %s: %s\n", path, strerror(errno));
		exit(2);
	}
	free(line);
	fclose(file);
}

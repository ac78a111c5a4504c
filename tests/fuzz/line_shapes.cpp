// SPDX-License-Identifier: BSD-2-Clause
#include "line_shapes.h"

namespace {

bool printable(std::string_view text)
{
	for (char c : text) {
		auto byte = static_cast<unsigned char>(c);
		if (byte < 0x20 || byte > 0x7e)
			return false;
	}
	return true;
}

bool state_words(std::string_view text)
{
	static const std::string_view words[] = {"high", "critical",
	    "discharging", "charging"};
	while (!text.empty()) {
		bool found = false;
		for (std::string_view word : words) {
			if (text.substr(0, word.size()) == word) {
				text.remove_prefix(word.size());
				found = true;
				break;
			}
		}
		if (!found)
			return false;
		if (!text.empty()) {
			if (text[0] != ' ' || text.size() == 1)
				return false;
			text.remove_prefix(1);
		}
	}
	return true;
}

bool match(std::string_view line, std::string_view pattern);

// %d: as many digits as there are, then the rest of the pattern.
bool match_number(std::string_view line, std::string_view rest)
{
	size_t at = !line.empty() && line[0] == '-' ? 1 : 0;
	size_t digits = at;
	while (
	    digits < line.size() && line[digits] >= '0' && line[digits] <= '9')
		digits++;
	return digits > at && match(line.substr(digits), rest);
}

bool match(std::string_view line, std::string_view pattern)
{
	while (!pattern.empty()) {
		if (pattern.size() >= 2 && pattern[0] == '%') {
			std::string_view rest = pattern.substr(2);
			switch (pattern[1]) {
			case 'd':
				return match_number(line, rest);
			case 'u':
				return (line.substr(0, 2) == "mW" ||
					   line.substr(0, 2) == "mA") &&
				    match(line.substr(2), rest);
			case 'w':
				return rest.empty() && state_words(line);
			case 's':
				return rest.empty() && printable(line);
			default:
				return false;
			}
		}
		if (line.empty() || line[0] != pattern[0])
			return false;
		line.remove_prefix(1);
		pattern.remove_prefix(1);
	}
	return line.empty();
}

} // namespace

bool line_has_shape(std::string_view line, std::string_view pattern)
{
	return match(line, pattern);
}

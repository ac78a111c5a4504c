// SPDX-License-Identifier: BSD-2-Clause
// report_print against printf(3): the same text for every conversion the
// reports use, and for the temperatures of every scale.

#include <stdio.h>

#include <gtest/gtest.h>

#include <string>

#include "format/format.h"
#include "format/print.h"

namespace {

// What a call writes to standard output.
template <typename F>
std::string printed(F print)
{
	char text[512] = {};
	FILE *saved = stdout;
	stdout = fmemopen(text, sizeof text - 1, "w");
	print();
	report_flush();
	fclose(stdout);
	stdout = saved;
	return text;
}

#define SAME_AS_PRINTF(...)                                                    \
	do {                                                                   \
		char expected[256];                                            \
		snprintf(expected, sizeof expected, __VA_ARGS__);              \
		EXPECT_EQ(printed([&] { report_print(__VA_ARGS__); }),         \
		    expected);                                                 \
	} while (0)

TEST(ReportPrint, Conversions)
{
	SAME_AS_PRINTF("\tCPU%i:\t\t\t\t%.1lf\t\t\t\t%c\n", 12, 51.25, 'C');
	SAME_AS_PRINTF("%s%lld\t\t\t\t%s\n", "\tDesign capacity:\t\t",
	    -9223372036854775807LL - 1, "mWh");
	SAME_AS_PRINTF("%lld:%02lld %llu %0*llu %d %u %lu %%", 4LL, 5LL,
	    18446744073709551615ULL, 4, 42ULL, -7, 3U, 9UL);
	SAME_AS_PRINTF("%.0f %.2f %.3f %.1f %.1f", 2.5, -0.125, 1e14 + 0.5,
	    -0.04, 1e20);
	SAME_AS_PRINTF("%5d|%05d|%3d|%07lld|%*u|%0*d|%i%i%i%i%i%i%i%i%i", -42,
	    -42, 12345, -9876543210LL, 70, 7U, 66, -99, 1, 2, 3, 4, 5, 6, 7, 8,
	    9);
	SAME_AS_PRINTF("%d%d%d%d%d%d%d%d %s", 0, 9, 10, 99, 100, 101, 9999,
	    10000, "");
}

// Each temperature as each scale shows it, from tenths of a kelvin and
// from millidegrees: rounded half to even on the exact double, the sign
// of a negative value kept even where it rounds to zero.
TEST(ReportPrint, EveryTemperature)
{
	for (int raw = -400000; raw <= 400000; raw += 7) {
		const double shown[] = {raw / 10.0 + -273.15,
		    raw / 10.0 * 1.8 + -459.67, raw / 1000.0,
		    raw / 1000.0 * 1.8 + 32.0, raw / 1000.0 + 273.15};
		for (double v : shown) {
			char expected[64];
			snprintf(expected, sizeof expected, "%.1f", v);
			ASSERT_EQ(printed([&] { report_print("%.1f", v); }),
			    expected)
			    << raw;
		}
	}
}

// value / divisor: its whole part, and its decimals but trailing zeros.
TEST(ReportPrint, Decimals)
{
	const int64_t values[] = {0, 1, -1, 7, 45000, 45123, -45120, 99999,
	    100000, 123456789012, INT64_MAX, INT64_MIN};
	for (uint64_t divisor : {1U, 10U, 1000U, 10000U, 1000000U})
		for (int64_t v : values) {
			uint64_t m = v < 0 ? 0 - static_cast<uint64_t>(v)
					   : static_cast<uint64_t>(v);
			std::string expected =
			    (v < 0 ? "-" : "") + std::to_string(m / divisor);
			std::string part =
			    std::to_string(m % divisor + divisor).substr(1);
			part.erase(part.find_last_not_of('0') + 1);
			if (!part.empty())
				expected += "." + part;
			EXPECT_EQ(printed([&] {
				print_decimal(v, static_cast<int64_t>(divisor));
			}),
			    expected)
			    << v << " / " << divisor;
		}
}

// Quotes and backslashes escaped, bytes outside printable ASCII as '?',
// never past the size or 255 bytes.
TEST(ReportPrint, Quoted)
{
	const std::string long_text(300, 'x');
	const struct {
		std::string text;
		size_t size;
		std::string shown;
	} cases[] = {{"Core 0", 32, "Core 0"}, {"a\"b\\c", 32, "a\\\"b\\\\c"},
	    {"\x01\xc3\xa9\x7f~", 32, "????~"}, {"abcdef", 3, "abc"},
	    {"", 32, ""}, {long_text, 300, long_text.substr(0, 255)}};
	for (const auto &c : cases)
		EXPECT_EQ(printed(
			      [&] { print_quoted(c.text.c_str(), c.size); }),
		    "\"" + c.shown + "\"")
		    << c.text;
}

} // namespace

// SPDX-License-Identifier: BSD-2-Clause
// The energy counters over time.  A counter holds a fixed number of bits
// and wraps: Linux's energy_uj goes back to 0 past max_energy_range_uj,
// the processor's 32-bit registers past 2^32 counts.
//
// This is the one thing the readers keep between reports that is not
// structure: each domain's last raw count, the sum of the wraps seen, and
// the time of its reading.  A count below the last one means one wrap:
// the range is added to the offset, and the energy is the raw count plus
// the offset, so that within a run it only grows.  A single interval
// cannot tell two wraps from one; at the processor's rates a wrap takes
// minutes (a 32-bit count at 61 µJ, 262 kJ, is 40 minutes at 100 W).  A
// counter that does not read in one report keeps its last reading for the
// next.  A run that stops keeps nothing: a one-shot report gives the raw
// count.

#include <string.h>
#include <time.h>

#include "collect.h"
#include "platform/platform.h"
#include "power.h"

namespace {

struct kept_counter {
	char domain[power_text_size];
	int64_t raw;
	int64_t offset;
	int64_t energy;
	int64_t at_ns; // the monotonic clock when it was read
};

grow_list<kept_counter> kept_now, kept_before;

int64_t now_ns()
{
	timespec t = {};

	if (os_clock_gettime_monotonic(&t) != 0)
		return -1;
	return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

const kept_counter *kept_for(const char *domain)
{
	for (const kept_counter &k : kept_before)
		if (strcmp(k.domain, domain) == 0)
			return &k;
	return nullptr;
}

// Makes the domain's raw count the energy of the run, past its wraps,
// with its delta since the last reading where one is kept.
void carry(power_domain_reading *d, int64_t at_ns)
{
	if (!d->energy.known)
		return;
	kept_counter *k = kept_now.add();
	memcpy(k->domain, d->domain, sizeof k->domain);
	k->raw = d->energy.value;
	k->at_ns = at_ns;
	const kept_counter *before = kept_for(d->domain);
	if (before != nullptr) {
		k->offset = before->offset;
		if (k->raw < before->raw && d->range.known)
			k->offset += d->range.value;
	}
	k->energy = k->raw + k->offset;
	d->energy.value = k->energy;
	if (before != nullptr && at_ns > before->at_ns && at_ns >= 0 &&
	    before->at_ns >= 0 && k->energy >= before->energy) {
		d->delta = {true, k->energy - before->energy};
		d->interval_ns = {true, at_ns - before->at_ns};
	}
}

void read_and_carry(readings *r)
{
	kept_now.swap(kept_before);
	kept_now.clear();
	r->power.domain.clear();
	r->power.failed[0] = '\0';
	r->power.error = 0;
	read_power_counters(&r->power);
	int64_t at_ns = now_ns();
	for (power_domain_reading &d : r->power.domain)
		carry(&d, at_ns);
	// A counter that did not read this time keeps its last reading and
	// its wraps for the next.
	for (const kept_counter &k : kept_before) {
		bool read = false;
		for (const kept_counter &now : kept_now)
			read = read || strcmp(now.domain, k.domain) == 0;
		if (!read)
			*kept_now.add() = k;
	}
}

bool any_energy(const readings &r)
{
	for (const power_domain_reading &d : r.power.domain)
		if (d.energy.known && !d.delta.known)
			return true;
	return false;
}

} // namespace

void collect_power(readings *r)
{
	if (!r->extended) {
		r->power.domain.clear();
		r->power.failed[0] = '\0';
		return;
	}
	read_and_carry(r);
	if (!r->sample_power || !any_energy(*r))
		return;
	timespec pause = {0, 100000000};
	os_nanosleep(&pause);
	read_and_carry(r);
}

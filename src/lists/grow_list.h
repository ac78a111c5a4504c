// SPDX-License-Identifier: BSD-2-Clause
// A list of plain records that grows with realloc(3) and is released when
// it goes out of scope.  The readings, the readers and the walk of the
// kernel's variables keep their lists in it; pelko links no C++ runtime
// library, so no std::vector.
#pragma once

#include <err.h>
#include <stdlib.h>
#include <string.h>

#include <cstddef>
#include <type_traits>
#include <utility>

// qsort(3)'s order for records whose first member is an int: ascending
// numbers.  The lists of CPUs, zones, packages and hwmons sort by it.
inline int by_leading_number(const void *a, const void *b)
{
	int x = *static_cast<const int *>(a), y = *static_cast<const int *>(b);
	return (x > y) - (x < y);
}

template <typename T>
struct grow_list {
	static_assert(std::is_trivially_copyable_v<T>);

	T *items = nullptr;
	size_t count = 0;
	size_t capacity = 0;

	grow_list() = default;
	grow_list(const grow_list &) = delete;
	grow_list &operator=(const grow_list &) = delete;
	~grow_list() { free(items); }

	// Room for more records beyond count.  Running out of memory stops
	// the process, as a text that cannot be allocated does.
	void reserve(size_t more)
	{
		if (capacity - count >= more)
			return;
		size_t grown = capacity ? capacity * 2 : 8;
		while (grown - count < more)
			grown *= 2;
		void *moved = reallocarray(items, grown, sizeof(T));
		if (moved == nullptr)
			err(12, "realloc");
		items = static_cast<T *>(moved);
		capacity = grown;
	}

	// A new zero-filled record at the end.
	T *add()
	{
		reserve(1);
		T *item = &items[count++];
		*item = T{};
		return item;
	}

	// qsort(3), which must not be handed an empty list's null pointer.
	void sort(int (*compare)(const void *, const void *))
	{
		if (count > 1)
			qsort(items, count, sizeof(T), compare);
	}

	// In a list sorted by by_leading_number, the record whose leading
	// int is number; nullptr when there is none.  bsearch(3) may not be
	// handed an empty list's null pointer.
	T *find_number(int number) { return at_number(number); }
	const T *find_number(int number) const { return at_number(number); }

	// Forgets the records and keeps the memory for the next report.
	void clear() { count = 0; }

	// Takes the other list's records and gives it these.
	void swap(grow_list &other)
	{
		std::swap(items, other.items);
		std::swap(count, other.count);
		std::swap(capacity, other.capacity);
	}

	T *begin() { return items; }
	T *end() { return items + count; }
	const T *begin() const { return items; }
	const T *end() const { return items + count; }

      private:
	T *at_number(int number) const
	{
		size_t low = 0, high = count;
		while (low < high) {
			size_t middle = low + (high - low) / 2;
			if (leading(middle) < number)
				low = middle + 1;
			else
				high = middle;
		}
		return low < count && leading(low) == number ? &items[low]
							     : nullptr;
	}

	int leading(size_t i) const
	{
		int value;
		memcpy(&value, &items[i], sizeof value);
		return value;
	}
};

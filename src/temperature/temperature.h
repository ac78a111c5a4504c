// Temperatures: conversion from the kernel's tenths of a kelvin, the CPU
// core section and the ACPI thermal zone section.
#pragma once

// The raw reading in the scale the options chose.
double convert_temp(int raw);

// 'F', 'K' or 'C', to match convert_temp.
char temp_unit_char();

// CPU cpu's reading: its variable exists and reads.
bool cpu_temperature(int cpu, int *raw);

// Zone zone's reading; zones are numbered from 0 without gaps.
bool zone_temperature(int zone, int *raw);

void report_coretemp();
void print_cpu_temp(int cpu);
void report_thermal_zones();

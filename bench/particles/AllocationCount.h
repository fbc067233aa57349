// This program replaces the global allocator with one that counts, so the
// benchmarks can report how many allocations their frames make.
#pragma once

// Allocations made so far through any form of operator new.
long AllocationCount();

// A program that links CountingAllocator.cpp replaces the global allocator
// with one that counts, so its tests and benchmarks can show that warm
// frames allocate nothing. Only programs of their own may link it.
#pragma once

// Allocations made so far through any form of operator new.
long AllocationCount();

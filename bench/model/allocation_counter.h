#pragma once

// Heap allocations made through operator new since the program started; the
// benchmark replaces the global operator so that it can count them.
long long AllocationCount();

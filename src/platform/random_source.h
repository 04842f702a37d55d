#pragma once
// The program's pseudo-random source: single-precision values in [0, 1), the same
// sequence in every run (the forms run time's generator, never seeded). One sequence
// per process; the codec's scramble keys are drawn from it.

// The next value of the sequence.
float nextRandom();
// Starts the sequence again from its first value (tests use it).
void resetRandomSource();

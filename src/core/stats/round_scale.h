#pragma once

namespace qova {

// The chart scale for a candidate value: a value whose "%g" text already ends
// in 0 stays as it is (10, 520, 1240); any other becomes the largest multiple
// of 10 not above value + 10, so 523 gives 530, 5 and 0.5 give 10 and 466.6666
// gives 470. Below one million the digits are taken from the "%g" text, as the
// labels show them; from one million on, where that text is in exponent form,
// from the value's integer digits.
double RoundScale(double value);

} // namespace qova

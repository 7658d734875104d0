// The entry points' bits-per-sample value, which decides the sample size the
// built-in host copies (8 → bytes, anything else → 16-bit words).
#pragma once

namespace framira {

int HostSampleBits();
void SetHostSampleBits(int bits);

} // namespace framira

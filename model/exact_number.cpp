// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/exact_number.h"

#include <cmath>
#include <cstdint>

#include "model/exact_rational.h"

namespace {

__extension__ using UInt128 = unsigned __int128;

UInt128 Magnitude(Int128 v) {
    // Negating in unsigned arithmetic also holds the most negative value.
    return v < 0 ? UInt128{0} - static_cast<UInt128>(v) : static_cast<UInt128>(v);
}

}  // namespace

int BitLength(Int128 v) {
    const UInt128 m = Magnitude(v);
    const auto high = static_cast<std::uint64_t>(m >> 64);
    const auto low = static_cast<std::uint64_t>(m);
    if (high != 0) return 128 - __builtin_clzll(high);
    if (low != 0) return 64 - __builtin_clzll(low);
    return 0;
}

int CompareProducts(Int128 a, Int128 b, Int128 c, Int128 d) {
    // Products of at most 126 bits cannot overflow; the rest is rare enough for GMP.
    if (BitLength(a) + BitLength(b) <= 126 && BitLength(c) + BitLength(d) <= 126) {
        const Int128 left = a * b;
        const Int128 right = c * d;
        return (left > right) - (left < right);
    }
    const int order = cmp(ToMpz(a) * ToMpz(b), ToMpz(c) * ToMpz(d));
    return (order > 0) - (order < 0);
}

double NearestDouble(Int128 p, Int128 q) {
    // Integers below 2^53 are doubles exactly, and IEEE division rounds their quotient correctly.
    constexpr Int128 kExact = Int128{1} << 53;
    if (p > -kExact && p < kExact && q > -kExact && q < kExact) {
        return static_cast<double>(static_cast<std::int64_t>(p)) /
               static_cast<double>(static_cast<std::int64_t>(q));
    }
    return NearestDouble(Ratio(p, q));
}

mpz_class ToMpz(Int128 v) {
    const UInt128 m = Magnitude(v);
    mpz_class result(static_cast<unsigned long>(static_cast<std::uint64_t>(m >> 64)));
    result <<= 64;
    result += mpz_class(static_cast<unsigned long>(static_cast<std::uint64_t>(m)));
    return v < 0 ? mpz_class(-result) : result;
}

mpq_class Ratio(Int128 p, Int128 q) {
    mpq_class r(ToMpz(p), ToMpz(q));
    r.canonicalize();
    return r;
}

double NearestDouble(const mpq_class& x) {
    mpz_class p = abs(x.get_num());
    const mpz_class q = abs(x.get_den());
    if (p == 0) return 0.0;
    // Scale p / q into [2^63, 2^64): the quotient's 64 bits and whether anything remains decide
    // the rounding to 53 bits exactly. A remainder sets the lowest bit, which lies below the
    // rounding point and so breaks an apparent tie the right way.
    long shift = 64 - static_cast<long>(mpz_sizeinbase(p.get_mpz_t(), 2)) +
                 static_cast<long>(mpz_sizeinbase(q.get_mpz_t(), 2));
    mpz_class quotient;
    mpz_class remainder;
    for (;;) {
        mpz_class scaled = p;
        if (shift >= 0) {
            mpz_mul_2exp(scaled.get_mpz_t(), scaled.get_mpz_t(), static_cast<mp_bitcnt_t>(shift));
            mpz_tdiv_qr(quotient.get_mpz_t(), remainder.get_mpz_t(), scaled.get_mpz_t(),
                        q.get_mpz_t());
        } else {
            mpz_class wide = q;
            mpz_mul_2exp(wide.get_mpz_t(), wide.get_mpz_t(), static_cast<mp_bitcnt_t>(-shift));
            mpz_tdiv_qr(quotient.get_mpz_t(), remainder.get_mpz_t(), scaled.get_mpz_t(),
                        wide.get_mpz_t());
        }
        const std::size_t bits = mpz_sizeinbase(quotient.get_mpz_t(), 2);
        if (bits == 64) break;
        shift += bits > 64 ? -1 : 1;
    }
    std::uint64_t top = 0;
    mpz_export(&top, nullptr, -1, sizeof top, 0, 0, quotient.get_mpz_t());
    if (remainder != 0) top |= 1u;
    // The conversion rounds to nearest, ties to even.
    const double magnitude = std::ldexp(static_cast<double>(top), static_cast<int>(-shift));
    return sgn(x) < 0 ? -magnitude : magnitude;
}

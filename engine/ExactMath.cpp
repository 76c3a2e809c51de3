// Correctly rounded 2^y, sin x and cos x from IEEE double operations only.
//
// Every result comes from one final rounding of a far more precise value, so every
// conforming build (x86-64, i386 with SSE2, MinGW, ...) returns the same double: the
// correctly rounded one. The code uses only +, -, *, / on doubles, the exact
// operations round, floor, frexp and ldexp, and exact 32/64-bit integer arithmetic;
// no long double, no __float128, and no exp/pow/sin/cos from the C library. It must
// be compiled with -ffp-contract=off (the project's CMakeLists.txt sets it): a fused
// multiply-add would break the error-free transformations below.
//
// Fast path: double-double arithmetic (values hi + lo; TwoSum, and Dekker's TwoProd
// with Veltkamp splitting, which is error-free without FMA). A term-by-term count of
// the roundings bounds its relative error by about 2^-99; the tests measure at most
// 2^-103.7 (against __float128, over half a million arguments) and assert < 2^-99.
//
// Rounding test: the result is accepted only if the whole interval
// (hi + lo) +- 2^-89 |hi| rounds to one double, which is safe for any error up to
// 2^-90, i.e. with a margin of 2^9 over the bound above. Otherwise (about once in 2^35
// arguments) the value is recomputed by the fallback: 288-bit fixed-point integer
// arithmetic with an absolute error below 2^-276, i.e. a relative error below 2^-220
// for every result in the supported ranges (|result| >= 2^-54). Misrounding would
// then require the exact value to lie within 2^-220 of a rounding boundary (a run of
// more than 160 equal bits after the 53rd), far beyond the hardest cases that the
// worst-case searches for these functions in binary64 (Lefevre and Muller) have found;
// and the exact value is never a boundary itself (2^y is a dyadic number only for
// integer y; sin and cos of a nonzero double are irrational).
//
// Speed (x86-64, -O2): about 110 ns per call on the fast path; the fallback takes
// about 5 us.
//
// Supported arguments (beyond what the easing needs):
//   exactExp2: any y. Correctly rounded wherever the result is a normal double
//              (-1022 <= y < 1024); +inf for y >= 1024, 0 for y < -1080, NaN for NaN;
//              subnormal results may be 1 ulp off (double rounding in the final
//              scaling), but are still the same on every platform.
//   exactSin, exactCos: |x| <= 2 pi (the double 2 * 3.141592653589793), correctly
//              rounded; NaN outside that range, for infinities and for NaN.
#include "ExactMath.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "ExactMathDetail.h"

namespace tilesweep {

namespace {

using DD = exactmath_detail::DoubleDouble;

struct SinCosEntry {
    DD s;
    DD c;
};

// Fixed-point number: w[0] .. w[8] are fractional 32-bit limbs (w[0] least
// significant, weight 2^-288), w[9] is the integer part.
constexpr int kLimbs = 10;
constexpr int kFracBits = 288;
struct Fixed {
    uint32_t w[kLimbs];
};

// ---------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------
// Written by scripts/exact-math-tables in exact integer arithmetic; not edited by hand.
// Every double-double is hi = RN(v), lo = RN(v - hi), so its error is below
// 2^-106 |v|.

// 2^(j/64) for j = -32 .. 32 as double-double (hi = RN(v), lo = RN(v - hi)).
constexpr DD kExp2Table[65] = {
    {0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55},
    {0x1.6dfb23c651a2fp-1, -0x1.bbe3a683c88abp-58},
    {0x1.71f75e8ec5f74p-1, -0x1.16e4786887a99p-56},
    {0x1.75feb564267c9p-1, -0x1.0245957316dd3p-55},
    {0x1.7a11473eb0187p-1, -0x1.41577ee04992fp-56},
    {0x1.7e2f336cf4e62p-1, 0x1.05d02ba15797ep-57},
    {0x1.82589994cce13p-1, -0x1.d4c1dd41532d8p-55},
    {0x1.868d99b4492edp-1, -0x1.fc6f89bd4f6bap-55},
    {0x1.8ace5422aa0dbp-1, 0x1.6e9f156864b27p-55},
    {0x1.8f1ae99157736p-1, 0x1.5cc13a2e3976cp-56},
    {0x1.93737b0cdc5e5p-1, -0x1.75fc781b57ebcp-58},
    {0x1.97d829fde4e50p-1, -0x1.d185b7c1b85d1p-55},
    {0x1.9c49182a3f090p-1, 0x1.c7c46b071f2bep-57},
    {0x1.a0c667b5de565p-1, -0x1.359495d1cd533p-55},
    {0x1.a5503b23e255dp-1, -0x1.d2f6edb8d41e1p-55},
    {0x1.a9e6b5579fdbfp-1, 0x1.0fac90ef7fd31p-55},
    {0x1.ae89f995ad3adp-1, 0x1.7a1cd345dcc81p-55},
    {0x1.b33a2b84f15fbp-1, -0x1.2805e3084d708p-58},
    {0x1.b7f76f2fb5e47p-1, -0x1.5584f7e54ac3bp-57},
    {0x1.bcc1e904bc1d2p-1, 0x1.23dd07a2d9e84p-56},
    {0x1.c199bdd85529cp-1, 0x1.11065895048ddp-56},
    {0x1.c67f12e57d14bp-1, 0x1.2884dff483cadp-55},
    {0x1.cb720dcef9069p-1, 0x1.503cbd1e949dbp-57},
    {0x1.d072d4a07897cp-1, -0x1.cbc3743797a9cp-55},
    {0x1.d5818dcfba487p-1, 0x1.2ed02d75b3707p-56},
    {0x1.da9e603db3285p-1, 0x1.c2300696db532p-55},
    {0x1.dfc97337b9b5fp-1, -0x1.1a5cd4f184b5cp-55},
    {0x1.e502ee78b3ff6p-1, 0x1.39e8980a9cc8fp-56},
    {0x1.ea4afa2a490dap-1, -0x1.e9c23179c2893p-55},
    {0x1.efa1bee615a27p-1, 0x1.dc7f486a4b6b0p-55},
    {0x1.f50765b6e4540p-1, 0x1.9d3e12dd8a18bp-55},
    {0x1.fa7c1819e90d8p-1, 0x1.74853f3a5931ep-56},
    {0x1.0000000000000p+0, 0.0},
    {0x1.02c9a3e778061p+0, -0x1.19083535b085dp-56},
    {0x1.059b0d3158574p+0, 0x1.d73e2a475b465p-55},
    {0x1.0874518759bc8p+0, 0x1.186be4bb284ffp-57},
    {0x1.0b5586cf9890fp+0, 0x1.8a62e4adc610bp-54},
    {0x1.0e3ec32d3d1a2p+0, 0x1.03a1727c57b53p-59},
    {0x1.11301d0125b51p+0, -0x1.6c51039449b3ap-54},
    {0x1.1429aaea92de0p+0, -0x1.32fbf9af1369ep-54},
    {0x1.172b83c7d517bp+0, -0x1.19041b9d78a76p-55},
    {0x1.1a35beb6fcb75p+0, 0x1.e5b4c7b4968e4p-55},
    {0x1.1d4873168b9aap+0, 0x1.e016e00a2643cp-54},
    {0x1.2063b88628cd6p+0, 0x1.dc775814a8495p-55},
    {0x1.2387a6e756238p+0, 0x1.9b07eb6c70573p-54},
    {0x1.26b4565e27cddp+0, 0x1.2bd339940e9d9p-55},
    {0x1.29e9df51fdee1p+0, 0x1.612e8afad1255p-55},
    {0x1.2d285a6e4030bp+0, 0x1.0024754db41d5p-54},
    {0x1.306fe0a31b715p+0, 0x1.6f46ad23182e4p-55},
    {0x1.33c08b26416ffp+0, 0x1.32721843659a6p-54},
    {0x1.371a7373aa9cbp+0, -0x1.63aeabf42eae2p-54},
    {0x1.3a7db34e59ff7p+0, -0x1.5e436d661f5e3p-56},
    {0x1.3dea64c123422p+0, 0x1.ada0911f09ebcp-55},
    {0x1.4160a21f72e2ap+0, -0x1.ef3691c309278p-58},
    {0x1.44e086061892dp+0, 0x1.89b7a04ef80d0p-59},
    {0x1.486a2b5c13cd0p+0, 0x1.3c1a3b69062f0p-56},
    {0x1.4bfdad5362a27p+0, 0x1.d4397afec42e2p-56},
    {0x1.4f9b2769d2ca7p+0, -0x1.4b309d25957e3p-54},
    {0x1.5342b569d4f82p+0, -0x1.07abe1db13cadp-55},
    {0x1.56f4736b527dap+0, 0x1.9bb2c011d93adp-54},
    {0x1.5ab07dd485429p+0, 0x1.6324c054647adp-54},
    {0x1.5e76f15ad2148p+0, 0x1.ba6f93080e65ep-54},
    {0x1.6247eb03a5585p+0, -0x1.383c17e40b497p-54},
    {0x1.6623882552225p+0, -0x1.bb60987591c34p-54},
    {0x1.6a09e667f3bcdp+0, -0x1.bdd3413b26456p-54},
};

// c_n = (ln 2)^n / n!: double-double for n = 1 .. 6, double for n = 7 .. 12.
constexpr DD kLn2Pow1 = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};
constexpr DD kLn2Pow2 = {0x1.ebfbdff82c58fp-3, -0x1.5e43a53e44da3p-57};
constexpr DD kLn2Pow3 = {0x1.c6b08d704a0c0p-5, -0x1.d331627513351p-59};
constexpr DD kLn2Pow4 = {0x1.3b2ab6fba4e77p-7, 0x1.4e65df05a9f75p-62};
constexpr DD kLn2Pow5 = {0x1.5d87fe78a6731p-10, 0x1.0717f69a514bfp-66};
constexpr DD kLn2Pow6 = {0x1.430912f86c787p-13, 0x1.bd2c2a261ac8dp-67};
constexpr double kLn2Pow7 = 0x1.ffcbfc588b0c7p-17;
constexpr double kLn2Pow8 = 0x1.62c0223a5c824p-20;
constexpr double kLn2Pow9 = 0x1.b5253d395e7c4p-24;
constexpr double kLn2Pow10 = 0x1.e4cf5158b8ecap-28;
constexpr double kLn2Pow11 = 0x1.e8cac7351bb25p-32;
constexpr double kLn2Pow12 = 0x1.c3bd650fc2986p-36;

// q * pi/2 for q = 0 .. 4 as four-word expansions (each word the rounded remainder);
// the truncation error is below 2^-210.
constexpr double kHalfPiMultiple[5][4] = {
    {0.0, 0.0, 0.0, 0.0},
    {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54, -0x1.f1976b7ed8fbcp-110, 0x1.4cf98e804177dp-164},
    {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -0x1.f1976b7ed8fbcp-109, 0x1.4cf98e804177dp-163},
    {0x1.2d97c7f3321d2p+2, 0x1.a79394c9e8a0ap-53, 0x1.456737b06ea1ap-107, -0x1.83226a8fe7731p-161},
    {0x1.921fb54442d18p+2, 0x1.1a62633145c07p-52, -0x1.f1976b7ed8fbcp-108, 0x1.4cf98e804177dp-162},
};

// sin(i/64) and cos(i/64) for i = 0 .. 51 as double-doubles.
constexpr SinCosEntry kSinCosTable[52] = {
    {{0.0, 0.0}, {0x1.0000000000000p+0, 0.0}},
    {{0x1.fffaaaaeeeed5p-7, -0x1.2ab639a9f0776p-63}, {0x1.fff000155549fp-1, 0x1.28a28a03a5ef3p-55}},
    {{0x1.ffeaaaeeee86fp-6, -0x1.cd406fb224ae2p-60}, {0x1.ffc00155527d3p-1, -0x1.3b54492d89b5bp-55}},
    {{0x1.7fdc01032fba9p-5, -0x1.599bdf46e997ap-59}, {0x1.ff7006bfdf99fp-1, -0x1.8b3b560648d5fp-56}},
    {{0x1.ffaaaeeed4edbp-5, -0x1.2d16d32684b69p-59}, {0x1.ff0015549f4d3p-1, 0x1.328387b99426fp-55}},
    {{0x1.3facb12d1755bp-4, -0x1.921915299468bp-58}, {0x1.fe7034129ef6fp-1, -0x1.cbf4337c96f97p-57}},
    {{0x1.7f701032550e4p-4, 0x1.afc2d1800501ap-60}, {0x1.fdc06bf7e6b9bp-1, 0x1.31902b535f8dbp-55}},
    {{0x1.bf1b78568391dp-4, 0x1.e91841dea4cc8p-58}, {0x1.fcf0c800e99b1p-1, 0x1.ea3d786d186acp-57}},
    {{0x1.feaaeee86ee36p-4, -0x1.afcb2bcc6f03bp-59}, {0x1.fc015527d5bd3p-1, 0x1.b68f35094efb8p-55}},
    {{0x1.1f0d3d7afceafp-3, -0x1.6ef95099769a5p-57}, {0x1.faf22263c4bd3p-1, -0x1.52ace133a2769p-58}},
    {{0x1.3eb312c5d66cbp-3, 0x1.47d666b66cb91p-57}, {0x1.f9c340a7cc428p-1, 0x1.c5b6b063b7462p-55}},
    {{0x1.5e44fcfa126f3p-3, -0x1.6f443063f89b6p-57}, {0x1.f874c2e1eecf6p-1, -0x1.c6514e1332b16p-55}},
    {{0x1.7dc102fbaf2b5p-3, 0x1.5ab50e23c97c3p-59}, {0x1.f706bdf9ece1cp-1, -0x1.698c80c36dcb4p-55}},
    {{0x1.9d252d0cec312p-3, 0x1.9c43d80b1137dp-58}, {0x1.f57948cff6797p-1, 0x1.e3a0d3e03b1d4p-57}},
    {{0x1.bc6f84edc6199p-3, 0x1.9c1a56a7b0cabp-57}, {0x1.f3cc7c3b3d16ep-1, -0x1.21a3ad28a3494p-57}},
    {{0x1.db9e15fb5a5d0p-3, -0x1.32e20d6cc6fc2p-57}, {0x1.f20073086649fp-1, 0x1.b940416c1984bp-56}},
    {{0x1.faaeed4f31577p-3, -0x1.15d88508e32b8p-57}, {0x1.f01549f7deea1p-1, 0x1.d3c1e99e5cafdp-55}},
    {{0x1.0cd00cef36436p-2, -0x1.9fb0a0c93e2b4p-56}, {0x1.ee0b1fbc0f11cp-1, -0x1.bfd2380bbc3b1p-59}},
    {{0x1.1c37d64c6b876p-2, 0x1.46076fe0dcff4p-56}, {0x1.ebe214f76efa8p-1, -0x1.02f9f12ba543ep-55}},
    {{0x1.2b8ddc43eb49fp-2, 0x1.1553899f2d807p-57}, {0x1.e99a4c3a7cd83p-1, -0x1.2264b1bc53ce8p-55}},
    {{0x1.3ad129769d3d8p-2, 0x1.03d550487839ap-63}, {0x1.e733ea0193d40p-1, -0x1.6428b3546ce13p-55}},
    {{0x1.4a00c9b0f3d20p-2, 0x1.823ba6bb08eadp-56}, {0x1.e4af14b2a449cp-1, -0x1.68ca02e8a6833p-55}},
    {{0x1.591bc9fa2f597p-2, 0x1.7c74bac3fe0cbp-57}, {0x1.e20bf49acd6c1p-1, -0x1.660aec7ef636bp-58}},
    {{0x1.682138a38d7f7p-2, -0x1.d889202444aadp-56}, {0x1.df4ab3ebd875ep-1, -0x1.e2d8a7e6736c4p-55}},
    {{0x1.7710255764214p-2, -0x1.6ead7314bb6cep-57}, {0x1.dc6b7eb995912p-1, 0x1.4b364776dcd35p-58}},
    {{0x1.85e7a12826949p-2, 0x1.8a40e9b5face0p-56}, {0x1.d96e82f71a9dcp-1, 0x1.ff61bd5d2039dp-55}},
    {{0x1.94a6be9f546c5p-2, -0x1.69ce13e683f58p-56}, {0x1.d653f073e4040p-1, -0x1.76236434bec37p-55}},
    {{0x1.a34c91cc50ccap-2, -0x1.a310e3b50cecdp-58}, {0x1.d31bf8d8d7c06p-1, 0x1.e60dd3089cbddp-56}},
    {{0x1.b1d8305321617p-2, -0x1.ae242cb99f519p-56}, {0x1.cfc6cfa52ad9fp-1, 0x1.8b5b5508f2a0dp-55}},
    {{0x1.c048b17b140a3p-2, 0x1.19fe6757e9fa7p-57}, {0x1.cc54aa2b2972ep-1, 0x1.4ee162ba83a98p-57}},
    {{0x1.ce9d2e3d4a51fp-2, -0x1.2fc8a12dae298p-57}, {0x1.c8c5bf8ce1a84p-1, 0x1.ab3d1a1590123p-56}},
    {{0x1.dcd4c15329c9ap-2, 0x1.0d4c6e171fd9ap-56}, {0x1.c51a48b8b175ep-1, -0x1.1bbb43b9aa880p-57}},
    {{0x1.eaee8744b05f0p-2, -0x1.789b43c9b027dp-58}, {0x1.c1528065b7d50p-1, -0x1.892111312e828p-55}},
    {{0x1.f8e99e76abc97p-2, 0x1.9d950af2d00a3p-58}, {0x1.bd6ea310294f5p-1, 0x1.31bbcc88c109dp-56}},
    {{0x1.0362939c69955p-1, -0x1.2d8cd78397b01p-55}, {0x1.b96eeef58840ep-1, 0x1.45a3cc78fade0p-58}},
    {{0x1.0a4021e9e1001p-1, -0x1.6f643a13914f6p-55}, {0x1.b553a410c104ep-1, 0x1.8ff7947027a15p-58}},
    {{0x1.110d0c4b69c3bp-1, 0x1.d918998809981p-55}, {0x1.b11d04162a4c6p-1, 0x1.1dd561efbc0c2p-56}},
    {{0x1.17c8e5f2eedb0p-1, 0x1.35e57102e2488p-57}, {0x1.accb526f69de5p-1, 0x1.8fb6a8dd6b6ccp-55}},
    {{0x1.1e7343236574cp-1, 0x1.22a3fa4f41d5ap-56}, {0x1.a85ed4373e02dp-1, 0x1.9be06385ec792p-57}},
    {{0x1.250bb93788bbbp-1, 0x1.ea3d02457bccep-56}, {0x1.a3d7d0352bdcfp-1, -0x1.68dbaeca19669p-55}},
    {{0x1.2b91dea88421ep-1, -0x1.fa371db216ab0p-55}, {0x1.9f368ed912f85p-1, -0x1.1d200c5791606p-55}},
    {{0x1.32054b148bc4fp-1, 0x1.f6b42095a135bp-55}, {0x1.9a7b5a36a6514p-1, 0x1.722cfcc9fa7a9p-55}},
    {{0x1.386597456282bp-1, -0x1.10fada93b07a8p-56}, {0x1.95a67e00cb1fdp-1, -0x1.0befda21f862dp-55}},
    {{0x1.3eb25d36cd53ap-1, -0x1.be570e1570fc0p-58}, {0x1.90b84784ddaf7p-1, -0x1.0feb10ab93b87p-56}},
    {{0x1.44eb381cf386bp-1, -0x1.3ed6c1e6a5505p-55}, {0x1.8bb105a5dc900p-1, 0x1.863e03e9474c1p-55}},
    {{0x1.4b0fc46aab761p-1, 0x1.0da05738cc59cp-61}, {0x1.869108d77a6c6p-1, 0x1.338ffe2bfe9ddp-56}},
    {{0x1.511f9fd7b351cp-1, -0x1.5c0e861c48831p-55}, {0x1.8158a31916d5dp-1, -0x1.de8b90b8228dep-57}},
    {{0x1.571a6966d59b3p-1, 0x1.c843b4d0fb197p-58}, {0x1.7c0827f09e54fp-1, -0x1.c73d6d72aee68p-57}},
    {{0x1.5cffc16bf8f0dp-1, 0x1.96cb370eb578ap-55}, {0x1.769fec655211fp-1, -0x1.827d5cf8c68c5p-57}},
    {{0x1.62cf49921ac79p-1, -0x1.edd9855b6241ap-55}, {0x1.712046fa77678p-1, 0x1.425b0a5029c81p-55}},
    {{0x1.6888a4e134b2fp-1, -0x1.6b7d37644d5e6p-55}, {0x1.6b898fa9efb5dp-1, 0x1.15ac786ccf4b2p-56}},
    {{0x1.6e2b77c40bde1p-1, -0x1.0e729857fad53p-56}, {0x1.65dc1fdeb8cbap-1, -0x1.97c1b47337c77p-58}},
};

// Taylor coefficients 1/n! (signs applied at the use).
constexpr DD kInvFact3 = {0x1.5555555555555p-3, 0x1.5555555555555p-57};
constexpr DD kInvFact5 = {0x1.1111111111111p-7, 0x1.1111111111111p-63};
constexpr DD kInvFact4 = {0x1.5555555555555p-5, 0x1.5555555555555p-59};
constexpr DD kInvFact6 = {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65};
constexpr double kInvFact7 = 0x1.a01a01a01a01ap-13;
constexpr double kInvFact8 = 0x1.a01a01a01a01ap-16;
constexpr double kInvFact9 = 0x1.71de3a556c734p-19;
constexpr double kInvFact10 = 0x1.27e4fb7789f5cp-22;
constexpr double kInvFact11 = 0x1.ae64567f544e4p-26;
constexpr double kInvFact12 = 0x1.1eed8eff8d898p-29;
constexpr double kInvFact13 = 0x1.6124613a86d09p-33;

// pi/2 and ln 2 truncated to 288 fractional bits, little-endian 32-bit limbs
// (last limb = integer part).
constexpr Fixed kFixedHalfPi = {{0xa29410f3u, 0x76273644u, 0x04177d4cu, 0x14cf98e8u, 0x52049c11u, 0x01b839a2u, 0x898cc517u, 0x42d18469u, 0x921fb544u, 0x00000001u}};
constexpr Fixed kFixedLn2 = {{0xe7b87620u, 0x8baafa2bu, 0x8a0d175bu, 0x7298b62du, 0x40f34326u, 0x03f2f6afu, 0xc9e3b398u, 0xd1cf79abu, 0xb17217f7u, 0x00000000u}};

constexpr double kPiHi = 3.141592653589793;  // the double nearest pi
constexpr double kTwoOverPi = 0.6366197723675814;
// End of the generated constants.

// ---------------------------------------------------------------------------------
// Error-free transformations and double-double arithmetic (u = 2^-53).
// ---------------------------------------------------------------------------------

// s + e == a + b exactly.
inline DD twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    const double e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// s + e == a + b exactly, provided |a| >= |b| (or a == 0).
inline DD fastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Veltkamp splitting: a == h + l with h, l of at most 26 significant bits each.
struct Split {
    double h;
    double l;
};
inline Split split(double a) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double h = c - (c - a);
    return {h, a - h};
}

// Dekker: p + e == a * b exactly (no overflow or underflow in our ranges).
inline DD twoProd(double a, Split as, double b, Split bs) {
    const double p = a * b;
    const double e = ((as.h * bs.h - p) + as.h * bs.l + as.l * bs.h) + as.l * bs.l;
    return {p, e};
}
inline DD twoProd(double a, double b) { return twoProd(a, split(a), b, split(b)); }

inline DD neg(DD a) { return {-a.hi, -a.lo}; }

// Relative error < 3u^2.
inline DD add(DD a, DD b) {
    DD s = twoSum(a.hi, b.hi);
    const DD t = twoSum(a.lo, b.lo);
    s = fastTwoSum(s.hi, s.lo + t.hi);
    return fastTwoSum(s.hi, s.lo + t.lo);
}

// Relative error < 2u^2.
inline DD add(DD a, double b) {
    const DD s = twoSum(a.hi, b);
    return fastTwoSum(s.hi, s.lo + a.lo);
}

// Relative error < 3u^2.
inline DD mul(DD a, double b, Split bs) {
    const DD p = twoProd(a.hi, split(a.hi), b, bs);
    return fastTwoSum(p.hi, p.lo + a.lo * b);
}

// Relative error < 9u^2 (a.lo * b.lo, < u^2, is left out).
inline DD mul(DD a, DD b) {
    const DD p = twoProd(a.hi, b.hi);
    return fastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

// The rounding test. v approximates the exact value with a relative error far below
// 2^-90; if every value within 2^-89 |v.hi| of v.hi + v.lo rounds to the same double,
// that double is the correctly rounded result. (Rounding is monotonic, and the
// computed ends v.lo -+ err are at least as far out as v.lo -+ err/2 because err
// exceeds 2^-52 |v.lo| by far.)
inline bool roundOnce(DD v, double& out) {
    const double err = 0x1p-89 * std::fabs(v.hi);
    const double down = v.hi + (v.lo - err);
    const double up = v.hi + (v.lo + err);
    if (down != up) return false;
    out = down;
    return true;
}

// v * 2^k with a single rounding (exact unless the result is subnormal).
double scale2(double v, int k) {
    if (k > 1000) return (v * std::ldexp(1.0, k - 100)) * 0x1p100;
    if (k < -1000) return (v * std::ldexp(1.0, k + 100)) * 0x1p-100;
    return v * std::ldexp(1.0, k);
}

// ---------------------------------------------------------------------------------
// 288-bit fixed-point arithmetic for the fallback. Every operation is exact except
// mul and divSmall, which truncate (error < 2^-288 each).
// ---------------------------------------------------------------------------------

Fixed fixedInt(uint32_t v) {
    Fixed a{};
    a.w[kLimbs - 1] = v;
    return a;
}

// d must be >= 0, < 2^32 and a multiple of 2^-288 (true for all arguments here).
Fixed fixedFromDouble(double d) {
    Fixed a{};
    if (d == 0) return a;
    int e = 0;
    const double m = std::frexp(d, &e);  // d = m 2^e, 0.5 <= m < 1
    const uint64_t mant = static_cast<uint64_t>(std::ldexp(m, 53));
    const int shift = e - 53 + kFracBits;  // d 2^288 = mant 2^shift
    if (shift < 0) return a;               // d < 2^-235: never happens here
    const int limb = shift / 32;
    const int off = shift % 32;
    const uint64_t v0 = (mant & 0xffffffffu) << off;
    const uint64_t v1 = ((mant >> 32) << off) + (v0 >> 32);
    a.w[limb] = static_cast<uint32_t>(v0);
    if (limb + 1 < kLimbs) a.w[limb + 1] = static_cast<uint32_t>(v1);
    if (limb + 2 < kLimbs) a.w[limb + 2] = static_cast<uint32_t>(v1 >> 32);
    return a;
}

bool fixedIsZero(const Fixed& a) {
    for (uint32_t x : a.w) {
        if (x != 0) return false;
    }
    return true;
}

bool fixedLess(const Fixed& a, const Fixed& b) {
    for (int i = kLimbs - 1; i >= 0; --i) {
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i];
    }
    return false;
}

Fixed fixedAdd(const Fixed& a, const Fixed& b) {
    Fixed r{};
    uint64_t c = 0;
    for (int i = 0; i < kLimbs; ++i) {
        c += static_cast<uint64_t>(a.w[i]) + b.w[i];
        r.w[i] = static_cast<uint32_t>(c);
        c >>= 32;
    }
    return r;
}

// a - b for a >= b.
Fixed fixedSub(const Fixed& a, const Fixed& b) {
    Fixed r{};
    uint64_t borrow = 0;
    for (int i = 0; i < kLimbs; ++i) {
        const uint64_t t = static_cast<uint64_t>(a.w[i]) - b.w[i] - borrow;
        r.w[i] = static_cast<uint32_t>(t);
        borrow = t >> 63;
    }
    return r;
}

// a * b, truncated to 288 fractional bits (the product must stay below 2^32).
Fixed fixedMul(const Fixed& a, const Fixed& b) {
    uint32_t p[2 * kLimbs] = {};
    for (int i = 0; i < kLimbs; ++i) {
        uint64_t carry = 0;
        for (int j = 0; j < kLimbs; ++j) {
            const uint64_t t = static_cast<uint64_t>(a.w[i]) * b.w[j] + p[i + j] + carry;
            p[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        p[i + kLimbs] = static_cast<uint32_t>(carry);
    }
    Fixed r{};
    for (int i = 0; i < kLimbs; ++i) r.w[i] = p[i + kLimbs - 1];
    return r;
}

Fixed fixedMulSmall(const Fixed& a, uint32_t n) {
    Fixed r{};
    uint64_t carry = 0;
    for (int i = 0; i < kLimbs; ++i) {
        const uint64_t t = static_cast<uint64_t>(a.w[i]) * n + carry;
        r.w[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    return r;
}

// a / n, truncated.
Fixed fixedDivSmall(const Fixed& a, uint32_t n) {
    Fixed r{};
    uint64_t rem = 0;
    for (int i = kLimbs - 1; i >= 0; --i) {
        const uint64_t cur = (rem << 32) | a.w[i];
        r.w[i] = static_cast<uint32_t>(cur / n);
        rem = cur % n;
    }
    return r;
}

// Correctly rounded (nearest, ties to even) double of +-a * 2^scaleExp.
double fixedToDouble(const Fixed& a, bool negative, int scaleExp) {
    int top = -1;
    for (int i = kLimbs - 1; i >= 0 && top < 0; --i) {
        for (int b = 31; b >= 0; --b) {
            if ((a.w[i] >> b) & 1u) {
                top = i * 32 + b;
                break;
            }
        }
    }
    if (top < 0) return negative ? -0.0 : 0.0;
    const auto bit = [&a](int pos) -> uint64_t {
        return pos < 0 ? 0u : (a.w[pos / 32] >> (pos % 32)) & 1u;
    };
    uint64_t mant = 0;
    for (int pos = top; pos > top - 53; --pos) mant = (mant << 1) | bit(pos);
    int low = top - 52;  // mant * 2^(low - 288) is a truncated to 53 bits
    const bool roundBit = bit(low - 1) != 0;
    bool sticky = false;
    for (int pos = low - 2; pos >= 0 && !sticky; --pos) sticky = bit(pos) != 0;
    if (roundBit && (sticky || (mant & 1u) != 0)) {
        ++mant;
        if (mant == (uint64_t{1} << 53)) {
            mant >>= 1;
            ++low;
        }
    }
    const double v = std::ldexp(static_cast<double>(mant), low - kFracBits + scaleExp);
    return negative ? -v : v;
}

// Taylor series; each term carries an error below 4 * 2^-288 and the series stop
// once a term truncates to zero, so the error stays below 2^-276 for x <= 1.
Fixed fixedExp(const Fixed& x) {
    Fixed sum = fixedInt(1);
    Fixed term = fixedInt(1);
    for (uint32_t n = 1; n < 200; ++n) {
        term = fixedDivSmall(fixedMul(term, x), n);
        if (fixedIsZero(term)) break;
        sum = fixedAdd(sum, term);
    }
    return sum;
}

Fixed fixedSin(const Fixed& x) {
    const Fixed x2 = fixedMul(x, x);
    Fixed plus = x;
    Fixed minus{};
    Fixed term = x;
    for (uint32_t n = 3; n < 200; n += 2) {
        term = fixedDivSmall(fixedMul(term, x2), (n - 1) * n);
        if (fixedIsZero(term)) break;
        if (n % 4 == 3) {
            minus = fixedAdd(minus, term);
        } else {
            plus = fixedAdd(plus, term);
        }
    }
    return fixedSub(plus, minus);
}

Fixed fixedCos(const Fixed& x) {
    const Fixed x2 = fixedMul(x, x);
    Fixed plus = fixedInt(1);
    Fixed minus{};
    Fixed term = fixedInt(1);
    for (uint32_t n = 2; n < 200; n += 2) {
        term = fixedDivSmall(fixedMul(term, x2), (n - 1) * n);
        if (fixedIsZero(term)) break;
        if (n % 4 == 2) {
            minus = fixedAdd(minus, term);
        } else {
            plus = fixedAdd(plus, term);
        }
    }
    return fixedSub(plus, minus);
}

// ---------------------------------------------------------------------------------
// 2^y
// ---------------------------------------------------------------------------------

// 2^f for |f| <= 1/2 as a double-double: f = j/64 + r with |r| <= 1/128 (both steps
// exact), 2^f = 2^(j/64) (1 + (2^r - 1)), and 2^r - 1 = sum c_n r^n, n = 1 .. 12
// (truncation < 2^-130). Terms n >= 7 (< 2^-65) are summed in double.
DD exp2Frac(double f) {
    const double f64 = f * 64.0;
    const double j = std::round(f64);
    const double r = (f64 - j) * 0x1p-6;
    const Split rs = split(r);
    double t = kLn2Pow12;
    t = kLn2Pow11 + r * t;
    t = kLn2Pow10 + r * t;
    t = kLn2Pow9 + r * t;
    t = kLn2Pow8 + r * t;
    t = kLn2Pow7 + r * t;
    DD p = add(kLn2Pow6, r * t);
    p = add(kLn2Pow5, mul(p, r, rs));
    p = add(kLn2Pow4, mul(p, r, rs));
    p = add(kLn2Pow3, mul(p, r, rs));
    p = add(kLn2Pow2, mul(p, r, rs));
    p = add(kLn2Pow1, mul(p, r, rs));
    const DD s = mul(p, r, rs);  // 2^r - 1, |s| < 2^-7.5
    const DD& tj = kExp2Table[static_cast<int>(j) + 32];
    return add(tj, mul(tj, s));
}

// RN(2^f) for |f| <= 1/2 by the fixed-point fallback.
double exp2FracFallback(double f) {
    if (f >= 0) return fixedToDouble(fixedExp(fixedMul(fixedFromDouble(f), kFixedLn2)), false, 0);
    // 2^f = 2^(1 + f) / 2, with 1 + f formed exactly.
    const Fixed g = fixedSub(fixedInt(1), fixedFromDouble(-f));
    return fixedToDouble(fixedExp(fixedMul(g, kFixedLn2)), false, -1);
}

enum class Path { Normal, FallbackOnly };

// Special cases; returns true and sets out if y is one of them.
bool exp2Special(double y, double& out) {
    if (std::isnan(y)) {
        out = y;
    } else if (y >= 1024.0) {
        out = std::numeric_limits<double>::infinity();
    } else if (y < -1080.0) {
        out = 0.0;  // below half the smallest subnormal
    } else if (std::fabs(y) < 0x1p-54) {
        out = 1.0;  // |2^y - 1| < 0.7 |y| is below half an ulp of 1 on either side
    } else {
        return false;
    }
    return true;
}

double exp2Impl(double y, Path path) {
    double special = 0;
    if (exp2Special(y, special)) return special;
    const double k = std::round(y);
    const double f = y - k;  // exact (Sterbenz), |f| <= 1/2
    double m = 1.0;
    if (f != 0 && (path == Path::FallbackOnly || !roundOnce(exp2Frac(f), m))) {
        m = exp2FracFallback(f);
    }
    return scale2(m, static_cast<int>(k));
}

// ---------------------------------------------------------------------------------
// sin x, cos x
// ---------------------------------------------------------------------------------

// x = q pi/2 + r for 0 <= x <= 2 pi, q = round(x 2/pi), |r| <= pi/4 (+ 2^-50). The
// first subtraction is exact (Sterbenz), the four-word multiple of pi/2 is good to
// 2^-210, so r (>= 2^-54 in magnitude unless x == 0) is good to about 2^-105 relative.
struct Reduced {
    int q;
    DD r;
};
Reduced reduce(double x) {
    const int q = static_cast<int>(std::round(x * kTwoOverPi));
    const double* c = kHalfPiMultiple[q];
    const DD s = twoSum(x - c[0], -c[1]);
    return {q, twoSum(s.hi, (s.lo - c[2]) - c[3])};
}

// Which function of |r| gives sin/cos of x = q pi/2 + r, and with which sign.
struct Quadrant {
    bool useSin;
    bool negative;
};
Quadrant quadrant(int q, bool wantSin, bool rNegative) {
    const int m = (q + (wantSin ? 0 : 1)) & 3;  // cos x = sin(x + pi/2)
    Quadrant out{(m & 1) == 0, (m & 2) != 0};
    if (out.useSin && rNegative) out.negative = !out.negative;
    return out;
}

// d is a double-double with |d| <= 1/128 (+ tiny); z = d^2.
// sin d = d + d^3 (-1/3! + z/5! - z^2/7! + z^3/9! - z^4/11! + z^5/13!), truncation
// < 2^-116 relative; the z^2 and higher terms (relative size < 2^-54) in double.
DD sinSmall(DD d, DD z) {
    const double zh = z.hi;
    double t = kInvFact9 - zh * (kInvFact11 - zh * kInvFact13);
    t = zh * t - kInvFact7;
    const DD p2 = add(kInvFact5, twoProd(zh, t));
    const DD p1 = add(neg(kInvFact3), mul(z, p2));
    return add(d, mul(mul(d, z), p1));
}

// cos d = 1 + z (-1/2 + z/4! - z^2/6! + z^3/8! - z^4/10! + z^5/12!), truncation
// < 2^-130; the z^3 and higher terms (< 2^-71) in double.
DD cosSmall(DD z) {
    const double zh = z.hi;
    const double t = kInvFact8 - zh * (kInvFact10 - zh * kInvFact12);
    const DD p3 = add(neg(kInvFact6), twoProd(zh, t));
    const DD p2 = add(kInvFact4, mul(p3, zh, split(zh)));
    const DD p1 = add(mul(z, p2), -0.5);
    return add(mul(z, p1), 1.0);
}

// sin or cos of a >= 0 (a <= pi/4 + tiny): a = i/64 + d with |d| <= 1/128, then the
// addition theorems with the tabulated sin(i/64), cos(i/64).
DD sinCosPositive(DD a, bool wantSin) {
    const double i = std::round(a.hi * 64.0);
    const DD d = twoSum((a.hi * 64.0 - i) * 0x1p-6, a.lo);  // first part exact
    const DD z = mul(d, d);
    if (i == 0) return wantSin ? sinSmall(d, z) : cosSmall(z);
    const SinCosEntry& e = kSinCosTable[static_cast<int>(i)];
    const DD sd = sinSmall(d, z);
    const DD cd = cosSmall(z);
    if (wantSin) return add(mul(e.s, cd), mul(e.c, sd));
    return add(mul(e.c, cd), neg(mul(e.s, sd)));
}

// The fast-path double-double for 2^-27 <= x <= 2 pi.
DD sinCosApprox(double x, bool wantSin) {
    const Reduced red = reduce(x);
    const bool rNegative = red.r.hi < 0;
    const Quadrant qd = quadrant(red.q, wantSin, rNegative);
    const DD v = sinCosPositive(rNegative ? neg(red.r) : red.r, qd.useSin);
    return qd.negative ? neg(v) : v;
}

// RN(sin x) or RN(cos x) for 2^-27 <= x <= 2 pi by the fixed-point fallback.
double sinCosFallback(double x, bool wantSin) {
    const int q = static_cast<int>(std::round(x * kTwoOverPi));
    const Fixed fx = fixedFromDouble(x);
    const Fixed qp = fixedMulSmall(kFixedHalfPi, static_cast<uint32_t>(q));
    const bool rNegative = fixedLess(fx, qp);
    const Fixed r = rNegative ? fixedSub(qp, fx) : fixedSub(fx, qp);  // |r| to 2^-285
    const Quadrant qd = quadrant(q, wantSin, rNegative);
    return fixedToDouble(qd.useSin ? fixedSin(r) : fixedCos(r), qd.negative, 0);
}

double sinCosImpl(double x, bool wantSin, Path path) {
    if (std::isnan(x)) return x;
    bool negateResult = false;
    if (x < 0) {
        x = -x;
        negateResult = wantSin;  // sin is odd, cos even
    }
    double result = 0;
    if (wantSin && x < 0x1p-26) {
        result = x;  // x - sin x < x^3/6 is below half an ulp of x
    } else if (!wantSin && x < 0x1p-27) {
        result = 1.0;  // 1 - cos x < x^2/2 < 2^-55 is below half an ulp of 1
    } else if (!(x <= 2 * kPiHi)) {
        return std::numeric_limits<double>::quiet_NaN();
    } else if (path == Path::FallbackOnly || !roundOnce(sinCosApprox(x, wantSin), result)) {
        result = sinCosFallback(x, wantSin);
    }
    return negateResult ? -result : result;
}

}  // namespace

double exactExp2(double y) { return exp2Impl(y, Path::Normal); }
double exactSin(double x) { return sinCosImpl(x, true, Path::Normal); }
double exactCos(double x) { return sinCosImpl(x, false, Path::Normal); }

namespace exactmath_detail {

DoubleDouble exp2Approx(double y) {
    const double k = std::round(y);
    const DD v = exp2Frac(y - k);
    const int ki = static_cast<int>(k);
    return {scale2(v.hi, ki), scale2(v.lo, ki)};
}
DoubleDouble sinApprox(double x) { return sinCosApprox(x, true); }
DoubleDouble cosApprox(double x) { return sinCosApprox(x, false); }

double exp2Fallback(double y) { return exp2Impl(y, Path::FallbackOnly); }
double sinFallback(double x) { return sinCosImpl(x, true, Path::FallbackOnly); }
double cosFallback(double x) { return sinCosImpl(x, false, Path::FallbackOnly); }

}  // namespace exactmath_detail

}  // namespace tilesweep

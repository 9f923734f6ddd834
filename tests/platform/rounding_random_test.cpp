#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/random.h"
#include "platform/rounding.h"

namespace {

TEST(RoundTest, HalvesGoToTheEvenNeighbour) {
  struct Case {
    double x;
    std::int64_t expected;
  };
  const Case cases[] = {
      {0.5, 0},     {1.5, 2},     {2.5, 2},     {3.5, 4},    {-0.5, 0},   {-1.5, -2},   {-2.5, -2},
      {10.5, 10},   {91.5, 92},   {0.49999999999999994, 0},  {2.5000000000000004, 3},   {-2.4, -2},
      {-2.6, -3},   {1e15 + 0.5, 1000000000000000},           {0.0, 0},    {-0.0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(wl::Round(c.x), c.expected) << "x = " << c.x;
  EXPECT_EQ(wl::RoundInt(91.5), 92);
  EXPECT_EQ(wl::RoundInt(-10.5), -10);
}

TEST(RoundTest, ValuesOutsideTheIntegerRangeSaturate) {
  EXPECT_EQ(wl::Round(1e300), INT64_MAX);
  EXPECT_EQ(wl::Round(-1e300), INT64_MIN);
}

// The expected numbers were worked out by hand from seed := seed * 134775813 + 1 (mod 2^32),
// below(n) = (seed * n) >> 32 and real = seed / 2^32, not with the generator itself.
TEST(RandomGeneratorTest, SeedSequence) {
  wl::RandomGenerator g;
  g.Seed = 1;
  const std::vector<std::uint32_t> expected = {134775814u, 3698175007u, 870078620u, 1172187917u, 2884733762u};
  for (std::uint32_t e : expected) {
    g.Step();
    EXPECT_EQ(g.Seed, e);
  }
  g.Seed = 0;
  g.Step();
  EXPECT_EQ(g.Seed, 1u);
}

TEST(RandomGeneratorTest, BelowFromSeedOne) {
  wl::RandomGenerator g;
  g.Seed = 1;
  std::vector<std::int32_t> got;
  for (int i = 0; i < 8; ++i) got.push_back(g.Below(1000));
  EXPECT_EQ(got, (std::vector<std::int32_t>{31, 861, 202, 272, 671, 318, 161, 372}));

  g.Seed = 1;
  got.clear();
  for (int i = 0; i < 8; ++i) got.push_back(g.Below(10));
  EXPECT_EQ(got, (std::vector<std::int32_t>{0, 8, 2, 2, 6, 3, 1, 3}));

  g.Seed = 1;
  EXPECT_EQ(g.Below(2147483647), 67387906);
}

TEST(RandomGeneratorTest, BelowFromALargeSeed) {
  wl::RandomGenerator g;
  g.Seed = 123456789u;
  std::vector<std::int32_t> got;
  for (int i = 0; i < 8; ++i) got.push_back(g.Below(1000));
  EXPECT_EQ(got, (std::vector<std::int32_t>{543, 395, 390, 33, 809, 851, 921, 53}));

  g.Seed = 123456789u;
  got.clear();
  for (int i = 0; i < 8; ++i) got.push_back(g.Below(10));
  EXPECT_EQ(got, (std::vector<std::int32_t>{5, 3, 3, 0, 8, 8, 9, 0}));
}

TEST(RandomGeneratorTest, BelowOfNothingStillDraws) {
  wl::RandomGenerator g;
  g.Seed = 1;
  EXPECT_EQ(g.Below(0), 0);
  EXPECT_EQ(g.Seed, 134775814u);
  EXPECT_EQ(g.Below(-5), 0);
  EXPECT_EQ(g.Seed, 3698175007u);
}

TEST(RandomGeneratorTest, Reals) {
  wl::RandomGenerator g;
  g.Seed = 1;
  EXPECT_EQ(g.Real(), 0.031379939522594213);
  EXPECT_EQ(g.Real(), 0.8610484672244638);
  EXPECT_EQ(g.Real(), 0.20258096512407064);
  EXPECT_EQ(g.Real(), 0.2729212671983987);

  g.Seed = 123456789u;
  EXPECT_EQ(g.Real(), 0.5437291511334479);
  EXPECT_EQ(g.Real(), 0.39581031049601734);
  EXPECT_EQ(g.Real(), 0.390883170068264);

  // 1298181734 steps to the largest seed, 2^32 - 1, whose real stays below 1.
  g.Seed = 1298181734u;
  const double r = g.Real();
  EXPECT_EQ(g.Seed, 4294967295u);
  EXPECT_EQ(r, 0.9999999997671694);
  EXPECT_LT(r, 1.0);
}

TEST(RandomGeneratorTest, RandomizeTakesTheMillisecondsAsSeed) {
  wl::RandomGenerator g;
  g.Randomize(45296789);  // 12:34:56.789
  EXPECT_EQ(g.Seed, 45296789u);
}

}  // namespace

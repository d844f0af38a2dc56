#include <gtest/gtest.h>

#include "kurovia.h"

TEST(GetSeireiCode, MapsWardsToTheirCity) {
  const struct {
    int32_t ward;
    int city;
  } cases[] = {
      {13101, 13100}, {13123, 13100}, {14101, 14100}, {14118, 14100}, {14131, 14130},
      {14137, 14130}, {14151, 14150}, {14153, 14150}, {27102, 27100}, {27128, 27100},
      {27141, 27140}, {27147, 27140}, {1101, 1100},   {40131, 40130}, {22138, 22130},
      {13201, -1},    {13100, 13100}, {13000, -1},    {1202, -1},     {13361, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(krvGetSeireiCode(c.ward), c.city) << c.ward;
}

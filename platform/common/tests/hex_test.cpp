#include "common/hex.h"

#include <gtest/gtest.h>

TEST(Hex, BothWays)
{
    const std::uint8_t bytes[] = { 0x00, 0x0a, 0xff, 0x7f };
    EXPECT_EQ(vlhex::to_hex(bytes, sizeof bytes), "000aff7f");
    EXPECT_EQ(vlhex::to_hex(std::string_view("AZ")), "415a");
    auto back = vlhex::from_hex("000AfF7f");
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, std::vector<std::uint8_t>(bytes, bytes + sizeof bytes));
    EXPECT_TRUE(vlhex::from_hex("")->empty());
    EXPECT_FALSE(vlhex::from_hex("abc"));
    EXPECT_FALSE(vlhex::from_hex("0g"));
    EXPECT_FALSE(vlhex::from_hex(" 0"));
}

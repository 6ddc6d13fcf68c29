#include "flags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FlagsTest, ValuesSwitchesAndArguments) {
  tool::Flags flags({"--class"}, {"--clear"});
  const std::vector<std::string> args{"Title", "--class", "C", "--clear", "-", "--", "--x"};
  std::string error;
  ASSERT_TRUE(flags.Parse(args, &error)) << error;
  EXPECT_EQ(flags.Value("--class"), "C");
  EXPECT_TRUE(flags.Has("--clear"));
  EXPECT_EQ(flags.arguments(), (std::vector<std::string>{"Title", "-", "--x"}));

  const std::vector<std::string> equals{"--class=With=Sign"};
  ASSERT_TRUE(flags.Parse(equals, &error));
  EXPECT_EQ(flags.Value("--class"), "With=Sign");
  EXPECT_FALSE(flags.Has("--clear"));
}

TEST(FlagsTest, ErrorsNameTheOption) {
  tool::Flags flags({"--class"}, {"--clear"});
  std::string error;
  const std::vector<std::string> unknown{"--colour"};
  EXPECT_FALSE(flags.Parse(unknown, &error));
  EXPECT_EQ(error, "unknown option '--colour'");
  const std::vector<std::string> missing{"--class"};
  EXPECT_FALSE(flags.Parse(missing, &error));
  EXPECT_EQ(error, "option '--class' needs a value");
  const std::vector<std::string> valuedSwitch{"--clear=yes"};
  EXPECT_FALSE(flags.Parse(valuedSwitch, &error));
  EXPECT_EQ(error, "unknown option '--clear=yes'");
}

}  // namespace

namespace {

TEST(FlagsTest, FromACommandsOptionTable) {
  constexpr tool::Option kOptions[] = {
      {"PATH", "", "an argument"}, {"--class", "NAME", "valued"}, {"--clear", "", "a switch"}};
  tool::Flags flags(kOptions);
  const std::vector<std::string> args{"--class", "C", "--clear", "PATH"};
  std::string error;
  ASSERT_TRUE(flags.Parse(args, &error)) << error;
  EXPECT_EQ(flags.Value("--class"), "C");
  EXPECT_TRUE(flags.Has("--clear"));
  EXPECT_EQ(flags.arguments(), std::vector<std::string>{"PATH"});
  const std::vector<std::string> argumentAsOption{"--PATH"};
  EXPECT_FALSE(flags.Parse(argumentAsOption, &error));
}

}  // namespace

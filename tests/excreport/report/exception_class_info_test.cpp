#include "excreport/report/exception_class_info.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace kestrova::testing {

class EConvertError : public std::runtime_error {
 public:
  EConvertError() : std::runtime_error("'x' is not a valid integer value") {}
};
class EPortFailure : public EConvertError {};
struct ITagged {
  virtual ~ITagged() = default;
};
struct Hidden {};
class EMixed : public EPortFailure, public ITagged, private Hidden {};
struct ELeft : virtual std::exception {};
struct ERight : virtual std::exception {};
struct EDiamond : ELeft, ERight {};
template <typename T>
struct EWrapped : std::logic_error {
  EWrapped() : std::logic_error("wrapped") {}
};

namespace {

struct ClassCase {
  const std::type_info& type;
  std::string name;
  std::vector<std::string> ancestors;
};

TEST(ExceptionClassInfo, NamesAndAncestorsFromRtti) {
  const ClassCase cases[] = {
      {typeid(EConvertError), "EConvertError", {"Exception"}},
      {typeid(EPortFailure), "EPortFailure", {"EConvertError", "Exception"}},
      // Multiple inheritance: direct bases in order, then theirs; private bases are no "kind".
      {typeid(EMixed), "EMixed", {"EPortFailure", "ITagged", "EConvertError", "Exception"}},
      // A virtual base shared by two paths is listed once.
      {typeid(EDiamond), "EDiamond", {"ELeft", "ERight", "Exception"}},
      {typeid(std::out_of_range), "out_of_range", {"logic_error", "Exception"}},
      {typeid(std::runtime_error), "runtime_error", {"Exception"}},
      {typeid(std::exception), "exception", {"Exception"}},
      {typeid(EWrapped<int>), "EWrapped<int>", {"logic_error", "Exception"}},
      {typeid(int), "int", {}},
  };
  for (const ClassCase& c : cases) {
    const ExceptionClassInfo info = DescribeExceptionClass(c.type);
    EXPECT_EQ(info.Name, c.name) << c.type.name();
    EXPECT_EQ(info.Ancestors, c.ancestors) << c.name;
  }
}

TEST(ExceptionClassInfo, KindOfComparesSelfAndAncestorsWithoutCase) {
  const ExceptionClassInfo info = DescribeExceptionClass(typeid(EMixed));
  EXPECT_TRUE(info.IsKindOf("EMixed"));
  EXPECT_TRUE(info.IsKindOf("econverterror"));
  EXPECT_TRUE(info.IsKindOf("EXCEPTION"));
  EXPECT_FALSE(info.IsKindOf("Hidden"));
  EXPECT_FALSE(info.IsKindOf("EConvert"));
  EXPECT_FALSE(DescribeExceptionClass(typeid(int)).IsKindOf("Exception"));
}

TEST(ExceptionClassInfo, DescribesTheObjectOfAnExceptionPointer) {
  const std::exception_ptr converted = std::make_exception_ptr(EPortFailure());
  ASSERT_TRUE(DescribeException(converted).has_value());
  EXPECT_EQ(DescribeException(converted)->Name, "EPortFailure");
  EXPECT_EQ(ExceptionMessage(converted), "'x' is not a valid integer value");

  const std::exception_ptr number = std::make_exception_ptr(42);
  EXPECT_EQ(DescribeException(number)->Name, "int");
  EXPECT_EQ(ExceptionMessage(number), "");

  EXPECT_FALSE(DescribeException(std::exception_ptr()).has_value());
  EXPECT_EQ(ExceptionMessage(std::exception_ptr()), "");
}

}  // namespace
}  // namespace kestrova::testing

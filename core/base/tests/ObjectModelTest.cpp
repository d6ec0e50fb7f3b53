// The object model's defaults, the shared comparators and the disposers.
#include "core/base/IComparator.h"
#include "core/base/IObject.h"
#include "core/base/NamedClass.h"
#include "core/cleaner/CleanerIObject.h"
#include "core/cleaner/CleanerRawObject.h"
#include "core/comp/CompP.h"
#include "core/comp/CompS08.h"
#include "core/comp/CompS32.h"
#include "core/comp/CompU08.h"
#include "core/comp/CompU32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

int g_deleted = 0;

class Plain final : public s::base::IObject {
  S_NAMED_CLASS(Plain, u"s_test_Plain")
  ~Plain() override { ++g_deleted; }
};

class Other final : public s::base::IObject {
  S_NAMED_CLASS(Other, u"s_test_Other")
};

// Records the objects it is asked about and answers a fixed result.
class Recording final : public s::base::IComparator {
 public:
  int32_t compare(const void* a, const void* b) const override {
    seenA = *static_cast<const s::base::IComparable* const*>(a);
    seenB = *static_cast<const s::base::IComparable* const*>(b);
    return 0;
  }
  mutable const s::base::IComparable* seenA = nullptr;
  mutable const s::base::IComparable* seenB = nullptr;
};

}  // namespace

TEST(ObjectModel, DefaultComparisonIsIdentityOrderedByAddress) {
  Plain a;
  Plain b;
  Plain* low = reinterpret_cast<uintptr_t>(&a) < reinterpret_cast<uintptr_t>(&b) ? &a : &b;
  Plain* high = low == &a ? &b : &a;
  EXPECT_EQ(a.compareTo(&a), 0);
  EXPECT_EQ(low->compareTo(high), -1);
  EXPECT_EQ(high->compareTo(low), 1);
  EXPECT_TRUE(a.equals(&a));
  EXPECT_FALSE(a.equals(&b));
  EXPECT_FALSE(a.equalsIgnoreCase(&b));
  EXPECT_EQ(a.compareToIgnoreCase(&b), a.compareTo(&b));
}

TEST(ObjectModel, ComparatorReceivesTheAddressesOfTheObjectPointers) {
  Plain a;
  Plain b;
  Recording recording;
  EXPECT_EQ(a.compareTo(&b, &recording), 0);
  EXPECT_EQ(recording.seenA, &a);
  EXPECT_EQ(recording.seenB, &b);
  // With a comparator, distinct objects can be equal.
  EXPECT_TRUE(a.equals(&b, &recording));
  EXPECT_TRUE(b.equalsIgnoreCase(&a, &recording));
  EXPECT_EQ(recording.seenA, &b);
}

TEST(ObjectModel, HashIsOneConstantPerClass) {
  Plain a;
  Plain b;
  Other c;
  EXPECT_EQ(a.hashCode(), b.hashCode());
  EXPECT_NE(a.hashCode(), c.hashCode());
  EXPECT_EQ(a.hashCodeIgnoreCase(), a.hashCode());
  EXPECT_EQ(std::u16string(a.getClassName()), u"s_test_Plain");
  s::base::IObject* fresh = a.newInstance();
  EXPECT_NE(fresh, &a);
  EXPECT_EQ(std::u16string(fresh->getClassName()), u"s_test_Plain");
  delete fresh;
}

TEST(Comparators, ReadTheirTypeAtEachAddress) {
  const uint8_t ff = 0xFF;
  const uint8_t zero = 0;
  EXPECT_EQ(s::comp::CompS08::instance()->compare(&ff, &zero), -1);
  EXPECT_EQ(s::comp::CompU08::instance()->compare(&ff, &zero), 1);
  const uint32_t big = 0x80000000u;
  const uint32_t one = 1;
  EXPECT_EQ(s::comp::CompS32::instance()->compare(&big, &one), -1);
  EXPECT_EQ(s::comp::CompU32::instance()->compare(&big, &one), 1);
  EXPECT_EQ(s::comp::CompU32::instance()->compareIgnoreCase(&one, &one), 0);
  const void* p = reinterpret_cast<const void*>(0xFFFF000000000000ULL);
  const void* q = reinterpret_cast<const void*>(0x10ULL);
  EXPECT_EQ(s::comp::CompP::instance()->compare(&p, &q), 1);  // unsigned
}

TEST(Comparators, SharedInstancesAndTheirNames) {
  EXPECT_EQ(s::comp::CompP::instance(), s::comp::CompP::instance());
  EXPECT_EQ(std::u16string(s::comp::CompP::instance()->getClassName()), u"s_comp_CompP");
  EXPECT_EQ(std::u16string(s::comp::CompS08::instance()->getClassName()), u"s_comp_CompS08");
  EXPECT_EQ(std::u16string(s::comp::CompU08::instance()->getClassName()), u"s_comp_CompU08");
  EXPECT_EQ(std::u16string(s::comp::CompS32::instance()->getClassName()), u"s_comp_CompS32");
  EXPECT_EQ(std::u16string(s::comp::CompU32::instance()->getClassName()), u"s_comp_CompU32");
  s::base::IObject* separate = s::comp::CompU32::instance()->newInstance();
  EXPECT_NE(separate, s::comp::CompU32::instance());
  delete separate;
}

TEST(Cleaners, DisposeSetReferencesAndIgnoreNull) {
  void* ref = nullptr;
  s::cleaner::CleanerIObject::instance()->destruct(ref);
  s::cleaner::CleanerRawObject::instance()->destruct(ref);
  EXPECT_EQ(ref, nullptr);

  g_deleted = 0;
  ref = static_cast<s::base::IObject*>(new Plain());
  s::cleaner::CleanerIObject::instance()->destruct(ref);
  EXPECT_EQ(ref, nullptr);
  EXPECT_EQ(g_deleted, 1);

  ref = std::malloc(16);
  s::cleaner::CleanerRawObject::instance()->destruct(ref);  // ASan reports a bad free
  EXPECT_EQ(ref, nullptr);
}

// TOwner with a close function that records what it closed: each handle is
// closed exactly once, by its last owner, whatever moves came between.
#include "framework/Owner.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

std::vector<int*> closed;
void closeRecorded(int* handle) {
    closed.push_back(handle);
}

using TRecorded = TOwner<int*, &closeRecorded>;
// Like TFileHandle: -1 means "no handle".
using TRecordedMinusOne = TOwner<int*, &closeRecorded, -1>;

class Owner : public testing::Test {
protected:
    void SetUp() override { closed.clear(); }
    int first_ = 1;
    int second_ = 2;
};

TEST_F(Owner, MoveConstructionHandsTheHandleOnAndClosesItOnce) {
    {
        TRecorded source(&first_);
        const TRecorded target(std::move(source));
        EXPECT_EQ(target.get(), &first_);
        EXPECT_FALSE(source) << "the source is left empty";
        EXPECT_TRUE(closed.empty());
    }
    EXPECT_EQ(closed, std::vector<int*>{&first_});
}

TEST_F(Owner, MoveAssignmentClosesWhatTheTargetHeld) {
    {
        TRecorded source(&first_);
        TRecorded target(&second_);
        target = std::move(source);
        EXPECT_EQ(target.get(), &first_);
        EXPECT_FALSE(source);
        EXPECT_EQ(closed, std::vector<int*>{&second_});
    }
    EXPECT_EQ(closed, (std::vector<int*>{&second_, &first_}));
}

TEST_F(Owner, MoveOntoItselfKeepsTheHandle) {
    {
        TRecorded owner(&first_);
        TRecorded& same = owner;
        owner = std::move(same);
        EXPECT_EQ(owner.get(), &first_);
        EXPECT_TRUE(closed.empty());
    }
    EXPECT_EQ(closed, std::vector<int*>{&first_});
}

TEST_F(Owner, MovedFromOwnerOfAnotherEmptyValueHoldsThatValue) {
    {
        TRecordedMinusOne source(&first_);
        TRecordedMinusOne target(std::move(source));
        EXPECT_EQ(source.get(), reinterpret_cast<int*>(-1));
        EXPECT_FALSE(source);
        TRecordedMinusOne empty;
        target = std::move(empty);
        EXPECT_EQ(closed, std::vector<int*>{&first_});
    }
    EXPECT_EQ(closed, std::vector<int*>{&first_}) << "an empty owner closes nothing";
}

TEST_F(Owner, PutClosesWhatWasHeldBeforeANewHandleIsWritten) {
    {
        TRecorded owner(&first_);
        int** address = owner.put();
        EXPECT_EQ(closed, std::vector<int*>{&first_});
        *address = &second_;
        EXPECT_EQ(owner.get(), &second_);
    }
    EXPECT_EQ(closed, (std::vector<int*>{&first_, &second_}));
}

}  // namespace

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace {

TEST(Symbol, EqualTextsAreOneIdentityAndUnsetDiffersFromEmpty) {
    du::Symbol a("MsgMouseMove");
    du::Symbol b(std::string("MsgMouse") + "Move");
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.View(), "MsgMouseMove");

    du::Symbol unset;
    EXPECT_TRUE(unset.IsNull());
    EXPECT_NE(unset, du::Symbol::EMPTY);
    EXPECT_EQ(du::Symbol(""), du::Symbol::EMPTY);
    EXPECT_FALSE(du::Symbol::EMPTY.IsNull());
    EXPECT_STREQ(unset.c_str(), "");

    // Texts with embedded NULs are distinct symbols.
    EXPECT_NE(du::Symbol(std::string_view("a\0b", 3)), du::Symbol("a"));
    EXPECT_EQ(du::Symbol(std::string_view("a\0b", 3)).View().size(), 3u);
}

TEST(Symbol, PrintsItsTextAndATestFailureTellsUnsetFromEmpty) {
    std::ostringstream out;
    out << du::Symbol("rotate") << '|' << du::Symbol() << '|' << du::Symbol::EMPTY;
    EXPECT_EQ(out.str(), "rotate||");
    EXPECT_EQ(::testing::PrintToString(du::Symbol("rotate")), "\"rotate\"");
    EXPECT_EQ(::testing::PrintToString(du::Symbol::EMPTY), "\"\"");
    EXPECT_EQ(::testing::PrintToString(du::Symbol()), "(unset)");
}

TEST(Symbol, MovedFromSymbolIsUnset) {
    du::Symbol a("moved");
    du::Symbol b(std::move(a));
    EXPECT_TRUE(a.IsNull());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(b, du::Symbol("moved"));
    du::Symbol c;
    c = std::move(b);
    EXPECT_TRUE(b.IsNull());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(c.View(), "moved");
}

// Per-event texts stay out of the table: a transient symbol holds its own text, equals only its copies,
// survives any order of copies, moves and assignments, and is freed with the last (LeakSanitizer checks).
TEST(Symbol, TransientTextsStayOutOfTheTableAndLiveAsLongAsTheirCopies) {
    const du::Symbol other("interned");
    const std::size_t interned = du::Symbol::InternedCount();
    du::Symbol line = du::Symbol::Transient("<MsgMouseMove mouseX=\"123457\" mouseY=\"7\"/>");
    EXPECT_EQ(du::Symbol::InternedCount(), interned);
    EXPECT_TRUE(line.IsTransient());
    EXPECT_EQ(line.View(), "<MsgMouseMove mouseX=\"123457\" mouseY=\"7\"/>");
    EXPECT_STREQ(line.c_str(), line.View().data());
    du::Symbol copy = line;
    du::Symbol assigned = other;
    assigned = copy;
    EXPECT_EQ(copy, line);
    EXPECT_EQ(assigned.Identity(), line.Identity());
    EXPECT_NE(line, du::Symbol::Transient(line.View()));  // another transient of the same text
    line = other;
    EXPECT_FALSE(line.IsTransient());
    du::Symbol moved = std::move(copy);
    moved = std::move(assigned);  // both held the same text
    EXPECT_EQ(moved.View(), "<MsgMouseMove mouseX=\"123457\" mouseY=\"7\"/>");
    EXPECT_EQ(du::Symbol::Transient("").View(), "");
    EXPECT_FALSE(du::Symbol::Transient("").IsNull());
    EXPECT_EQ(du::Symbol::InternedCount(), interned);
}

TEST(Symbol, InterningFromManyThreadsGivesOneEntryPerText) {
    constexpr int kThreads = 4;
    std::vector<std::vector<const void*>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen] {
            for (int i = 0; i < 200; ++i) {
                seen[t].push_back(du::Symbol("race-" + std::to_string(i)).Identity());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 1; t < kThreads; ++t) {
        EXPECT_EQ(seen[t], seen[0]);
    }
    EXPECT_EQ(std::set<const void*>(seen[0].begin(), seen[0].end()).size(), 200u);
}

struct Counted : du::RefCounted {
    explicit Counted(int* destroyed) : destroyed(destroyed) {}
    ~Counted() override { ++*destroyed; }
    int* destroyed;
};

struct Kept : du::RefCounted {
    bool ZeroReferenceCountHook() const override { return false; }
};

TEST(SmartPtr, CountsCopiesMovesAndSelfAssignment) {
    int destroyed = 0;
    {
        du::SmartPtr<Counted> a(new Counted(&destroyed));
        EXPECT_EQ(a->GetReferenceCount(), 1);
        du::SmartPtr<Counted> b = a;
        EXPECT_EQ(a->GetReferenceCount(), 2);
        const du::SmartPtr<Counted>& itself = b;
        b = itself;  // self-assignment must keep the object
        EXPECT_EQ(a->GetReferenceCount(), 2);
        du::SmartPtr<du::RefCounted> base = std::move(b);
        EXPECT_TRUE(b.IsNull());  // NOLINT(bugprone-use-after-move)
        EXPECT_EQ(a->GetReferenceCount(), 2);
        a = nullptr;
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(SmartPtr, ZeroReferenceCountHookCanRefuseDeletion) {
    Kept kept;
    { du::SmartPtr<Kept> p(&kept); }
    EXPECT_EQ(kept.GetReferenceCount(), 0);  // still alive: the hook refused
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/Registry.h"

namespace {

std::vector<std::string> released;

struct Gadget {
    int value = 7;
    std::string tag;
};

void ReleaseResource(Gadget* gadget) {
    released.push_back(gadget->tag);
    delete gadget;
}

// Two more resource types that report their release on stderr, to see the order at exit.
struct Early {};
struct Late {};
void ReleaseResource(Early* early) {
    std::fprintf(stderr, "release early;");
    delete early;
}
void ReleaseResource(Late* late) {
    std::fprintf(stderr, "release late;");
    delete late;
}

}  // namespace

TEST(Registry, CreateGetRemove) {
    ResourceRegistry<Gadget> registry;
    Gadget* first = registry.Create("score");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->value, 7);
    first->value = 42;
    first->tag = "score";
    // A second Create hands back the same object, untouched.
    EXPECT_EQ(registry.Create("score"), first);
    EXPECT_EQ(first->value, 42);
    // Names differ by bytes.
    Gadget* other = registry.Create("score_num");
    other->tag = "score_num";
    EXPECT_NE(other, first);
    EXPECT_EQ(registry.Size(), 2u);
    // Get never inserts.
    EXPECT_EQ(registry.Get("finish"), nullptr);
    EXPECT_EQ(registry.Size(), 2u);
    EXPECT_EQ(registry.Get("score"), first);

    released.clear();
    registry.Remove("score");
    EXPECT_EQ(released, std::vector<std::string>{"score"});
    EXPECT_EQ(registry.Get("score"), nullptr);
    registry.Remove("score");  // already gone: nothing happens
    EXPECT_EQ(released.size(), 1u);
}

TEST(Registry, ReleasesEveryEntryOnceInNameOrder) {
    released.clear();
    {
        ResourceRegistry<Gadget> registry;
        for (const char* name : {"pressspace", "MyCamera", "dot", "ModelA"}) registry.Create(name)->tag = name;
        registry.Create("dot");
    }
    EXPECT_EQ(released, (std::vector<std::string>{"ModelA", "MyCamera", "dot", "pressspace"}));
}

TEST(Registry, OneInstancePerTypeReleasedInReverseOrderOfFirstUse) {
    EXPECT_EQ(&Registry<Gadget>(), &Registry<Gadget>());
    EXPECT_EXIT(
        {
            Registry<Early>().Create("a");
            Registry<Late>().Create("b");
            Registry<Early>().Create("c");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "release late;release early;release early;");
}

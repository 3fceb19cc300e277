#include "app/CZELKResource.h"

#include <gtest/gtest.h>

namespace vr
{
TEST (CZELKResource, ReferenceCountDecidesTheLifetime)
{
    ASSERT_EQ (CZELKResource::getInstancePointer(), nullptr);
    auto* first = CZELKResource::getInstance();
    auto* second = CZELKResource::getInstance();
    EXPECT_EQ (first, second);
    EXPECT_EQ (CZELKResource::getReferenceCount(), 2);

    CZELKResource::release();
    EXPECT_EQ (CZELKResource::getInstancePointer(), first);
    CZELKResource::release();
    EXPECT_EQ (CZELKResource::getInstancePointer(), nullptr);
    CZELKResource::release();
    EXPECT_EQ (CZELKResource::getReferenceCount(), 0);
    EXPECT_EQ (CZELKResource::getInstancePointer(), nullptr);
}

TEST (CZELKResource, ImagesDecodeByNameWhateverTheCase)
{
    auto* resources = CZELKResource::getInstance();

    struct Expected
    {
        const char* name;
        int width, height;
    };
    const Expected images[] = {
        {"VREditorBG", 800, 590},  {"VRLibBG", 800, 590},    {"VRwrenKnob", 86, 1310},
        {"VRwrenAbout", 480, 200}, {"vrwrenknob", 86, 1310}, {"VRLIBBG", 800, 590},
    };
    for (const auto& e : images)
    {
        auto image = resources->loadImage (e.name, "png");
        ASSERT_NE (image, nullptr) << e.name;
        EXPECT_EQ (image->getWidth(), e.width) << e.name;
        EXPECT_EQ (image->getHeight(), e.height) << e.name;
    }
    EXPECT_NE (resources->loadImage ("VRwrenKnob", "PNG"), nullptr);

    CZELKResource::release();
}

TEST (CZELKResource, UnknownNameGivesNoImageAndLeavesTheScratchBuffer)
{
    auto* resources = CZELKResource::getInstance();
    ASSERT_NE (resources->loadImage ("VRwrenAbout", "png"), nullptr);
    const int capacity = resources->getScratchCapacity();
    EXPECT_GT (capacity, 0);

    EXPECT_EQ (resources->loadImage ("NoSuchPicture", "png"), nullptr);
    EXPECT_EQ (resources->loadImage ("VRwrenAbout", "xml"), nullptr);
    EXPECT_EQ (resources->getScratchCapacity(), capacity);

    // The buffer grows to the largest resource and never shrinks.
    ASSERT_NE (resources->loadImage ("VREditorBG", "png"), nullptr);
    const int grown = resources->getScratchCapacity();
    EXPECT_GE (grown, capacity);
    ASSERT_NE (resources->loadImage ("VRwrenAbout", "png"), nullptr);
    EXPECT_EQ (resources->getScratchCapacity(), grown);

    CZELKResource::release();
}
} // namespace vr

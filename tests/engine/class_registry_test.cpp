#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <typeinfo>

#include "engine/class_registry.h"

namespace {

std::atomic<int> liveShapes{0};

class Shape : public Object {
public:
    Shape() { ++liveShapes; }
    ~Shape() override { --liveShapes; }
    virtual int corners() const = 0;
};

class Cube : public Shape {
public:
    int corners() const override { return 8; }
};

class Pyramid : public Shape {
public:
    int corners() const override { return 5; }
};

class Unrelated : public Object {};

}  // namespace

REGISTER_CLASS(Cube);
REGISTER_CLASS(Unrelated);

namespace {

TEST(ClassRegistry, CloneMakesNewOwnedObjectsOfTheRegisteredType) {
    const int before = liveShapes.load();
    {
        auto first = Class::clone("Cube");
        auto second = Class::clone("Cube");
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_NE(first.get(), second.get());
        EXPECT_EQ(typeid(*first), typeid(Cube));
        EXPECT_EQ(liveShapes.load(), before + 2);
    }
    EXPECT_EQ(liveShapes.load(), before);
    const auto names = Class::names();
    EXPECT_NE(std::find(names.begin(), names.end(), "Cube"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Unrelated"), names.end());
    // A typed clone checks the type; unknown names give null.
    auto cube = Class::clone<Shape>("Cube");
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->corners(), 8);
    EXPECT_EQ(Class::clone<Shape>("Unrelated"), nullptr);
    EXPECT_EQ(Class::clone<Shape>("NoSuchClass"), nullptr);
    EXPECT_EQ(Class::clone("NoSuchClass"), nullptr);
    EXPECT_EQ(Class::clone(""), nullptr);
    EXPECT_FALSE(Class::isRegistered("NoSuchClass"));
}

TEST(ClassRegistry, RegistrarScopesTheNameAndCannotTakeOneInUse) {
    {
        ClassRegistrar<Pyramid> registrar("Pyramid");
        EXPECT_TRUE(registrar.registered());
        auto pyramid = Class::clone<Shape>("Pyramid");
        ASSERT_NE(pyramid, nullptr);
        EXPECT_EQ(pyramid->corners(), 5);
        ClassRegistrar<Pyramid> impostor("Cube");
        EXPECT_FALSE(impostor.registered());
    }
    EXPECT_EQ(Class::clone("Pyramid"), nullptr);
    auto cube = Class::clone<Shape>("Cube");  // not replaced, nor removed by the impostor
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->corners(), 8);

    EXPECT_FALSE(Class::add("", [] { return std::unique_ptr<Object>(std::make_unique<Cube>()); }));
    EXPECT_FALSE(Class::add("Empty", Class::Factory()));
    EXPECT_FALSE(Class::isRegistered("Empty"));
}

}  // namespace

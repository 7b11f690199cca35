#include <gtest/gtest.h>

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

TEST(ClassRegistry, CloneMakesANewObjectOfTheRegisteredType) {
    auto first = Class::clone("Cube");
    auto second = Class::clone("Cube");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(typeid(*first), typeid(Cube));
    auto* shape = dynamic_cast<Shape*>(first.get());
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->corners(), 8);
}

TEST(ClassRegistry, UnknownNameGivesNull) {
    EXPECT_EQ(Class::clone("NoSuchClass"), nullptr);
    EXPECT_EQ(Class::clone(""), nullptr);
    EXPECT_FALSE(Class::isRegistered("NoSuchClass"));
}

TEST(ClassRegistry, TypedCloneChecksTheType) {
    auto cube = Class::clone<Shape>("Cube");
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->corners(), 8);

    const int before = liveShapes.load();
    EXPECT_EQ(Class::clone<Shape>("Unrelated"), nullptr);
    EXPECT_EQ(Class::clone<Shape>("NoSuchClass"), nullptr);
    EXPECT_EQ(liveShapes.load(), before);
}

TEST(ClassRegistry, ObjectsAreDestroyedByTheirOwner) {
    const int before = liveShapes.load();
    {
        auto cube = Class::clone("Cube");
        EXPECT_EQ(liveShapes.load(), before + 1);
    }
    EXPECT_EQ(liveShapes.load(), before);
}

TEST(ClassRegistry, RegistrarScopesTheName) {
    {
        ClassRegistrar<Pyramid> registrar("Pyramid");
        EXPECT_TRUE(registrar.registered());
        auto pyramid = Class::clone<Shape>("Pyramid");
        ASSERT_NE(pyramid, nullptr);
        EXPECT_EQ(pyramid->corners(), 5);
    }
    EXPECT_EQ(Class::clone("Pyramid"), nullptr);
}

TEST(ClassRegistry, TakenNameIsNotReplaced) {
    ClassRegistrar<Pyramid> impostor("Cube");
    EXPECT_FALSE(impostor.registered());
    auto cube = Class::clone<Shape>("Cube");
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->corners(), 8);
}

TEST(ClassRegistry, AddRejectsEmptyNamesAndFactories) {
    EXPECT_FALSE(Class::add("", [] { return std::unique_ptr<Object>(std::make_unique<Cube>()); }));
    EXPECT_FALSE(Class::add("Empty", Class::Factory()));
    EXPECT_FALSE(Class::isRegistered("Empty"));
}

TEST(ClassRegistry, NamesListsRegisteredClasses) {
    const auto names = Class::names();
    EXPECT_NE(std::find(names.begin(), names.end(), "Cube"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Unrelated"), names.end());
}

}  // namespace

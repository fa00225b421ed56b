#include "platform/foundation/ValueTransformer.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

using namespace platform;

namespace {

class Doubler final : public ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override { return value.toInt() * 2; }
    QVariant reverseTransformedValue(const QVariant& value) const override
    {
        return value.toInt() / 2;
    }
    bool allowsReverseTransformation() const override { return true; }
};

class Describer final : public ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override
    {
        return QStringLiteral("<%1>").arg(value.toString());
    }
};

} // namespace

TEST(ValueTransformer, NamesFindTheLatestRegistration)
{
    EXPECT_EQ(ValueTransformer::valueTransformerForName("TestNeverRegistered"), nullptr);

    ValueTransformer::setValueTransformer(std::make_shared<Doubler>(), "TestTransformer");
    auto first = ValueTransformer::valueTransformerForName("TestTransformer");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->transformedValue(21), QVariant(42));
    EXPECT_TRUE(first->allowsReverseTransformation());
    EXPECT_EQ(first->reverseTransformedValue(42), QVariant(21));

    ValueTransformer::setValueTransformer(std::make_shared<Describer>(), "TestTransformer");
    auto second = ValueTransformer::valueTransformerForName("TestTransformer");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->transformedValue(7), QVariant("<7>"));
    // A one-way transformer has no reverse.
    EXPECT_FALSE(second->allowsReverseTransformation());
    EXPECT_FALSE(second->reverseTransformedValue("<7>").isValid());
    // The earlier instance stays usable by whoever still holds it.
    EXPECT_EQ(first->transformedValue(1), QVariant(2));

    ValueTransformer::setValueTransformer(nullptr, "TestTransformer");
    EXPECT_EQ(ValueTransformer::valueTransformerForName("TestTransformer"), nullptr);
}

TEST(ValueTransformer, RegistryServesManyThreads)
{
    std::atomic<int> found { 0 };
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back(QThread::create([t, &found] {
            const QString name = QStringLiteral("TestThreaded%1").arg(t % 2);
            for (int i = 0; i < 200; ++i) {
                ValueTransformer::setValueTransformer(std::make_shared<Doubler>(), name);
                if (auto transformer = ValueTransformer::valueTransformerForName(name))
                    found += transformer->transformedValue(1).toInt() == 2;
            }
        }));
        threads.back()->start();
    }
    for (const auto& thread : threads)
        ASSERT_TRUE(thread->wait());
    EXPECT_EQ(found.load(), 800);
}

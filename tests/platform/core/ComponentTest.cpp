#include "platform/core/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Writes what happens to it into a shared log.
class LoggingComponent : public TComponent {
public:
    LoggingComponent(std::vector<std::string>& log, std::string name) : log_(log) { SetName(std::move(name)); }
    ~LoggingComponent() override { log_.push_back("free " + Name()); }
    void Loaded() override
    {
        TComponent::Loaded();
        log_.push_back("loaded " + Name());
    }

private:
    std::vector<std::string>& log_;
};

} // namespace

TEST(Component, OwnerFreesWhatItOwnsLastFirst)
{
    std::vector<std::string> log;
    {
        LoggingComponent form(log, "Form");
        auto* connection = form.CreateOwned<LoggingComponent>(log, "Connection");
        form.CreateOwned<LoggingComponent>(log, "Dataset");
        auto* command = connection->CreateOwned<LoggingComponent>(log, "Command");
        EXPECT_EQ(command->Owner(), connection);
        EXPECT_EQ(form.ComponentCount(), 2);

        auto* early = form.CreateOwned<LoggingComponent>(log, "Early");
        form.FreeComponent(early);
        EXPECT_EQ(form.ComponentCount(), 2);
        EXPECT_EQ(log, std::vector<std::string>{"free Early"});
    }
    EXPECT_EQ(log,
              (std::vector<std::string>{"free Early", "free Form", "free Dataset", "free Connection", "free Command"}));
}

TEST(Component, LoadingEndsWithLoadedOwnedFirst)
{
    std::vector<std::string> log;
    LoggingComponent form(log, "Form");
    auto* connection = form.CreateOwned<LoggingComponent>(log, "Connection");
    EXPECT_FALSE(connection->Loading());
    form.BeginLoading();
    auto* dataset = form.CreateOwned<LoggingComponent>(log, "Dataset");
    EXPECT_TRUE(connection->Loading());
    EXPECT_TRUE(dataset->Loading()); // made while its owner loads
    form.Loaded();
    EXPECT_FALSE(form.Loading());
    EXPECT_FALSE(dataset->Loading());
    EXPECT_EQ(log, (std::vector<std::string>{"loaded Connection", "loaded Dataset", "loaded Form"}));
}

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "settings/port_selection.h"

namespace velmar {
namespace {

std::function<bool(int)> Existing(std::set<int> ports) {
  return [ports](int n) { return ports.count(n) > 0; };
}

// A rebuild after a device change: no preferred port, newly arrived ports win.
PortListPlan AfterDeviceChange(std::set<int> existing, std::optional<int> selected,
                               const std::vector<int>& listed) {
  return PlanPortList(Existing(std::move(existing)), kAutoPort, selected, true, listed);
}

// The first build while the dialog initialises: the list is still empty.
PortListPlan AtStartUp(std::set<int> existing, int storedPort) {
  return PlanPortList(Existing(std::move(existing)), storedPort, std::nullopt, false, {});
}

TEST(SettingsPortSelectionTest, ListsExistingPortsInAscendingOrder) {
  const PortListPlan plan = AtStartUp({12, 2, 7}, 1);
  EXPECT_EQ(plan.ports, (std::vector<int>{2, 7, 12}));
}

TEST(SettingsPortSelectionTest, FirstStartSelectsCom1WhenItExists) {
  EXPECT_EQ(AtStartUp({1, 3}, 1).selectedPort, 1);
  EXPECT_EQ(AtStartUp({2, 3}, 1).selectedPort, kAutoPort);
}

TEST(SettingsPortSelectionTest, StoredPortThatNoLongerExistsSelectsAuto) {
  const PortListPlan plan = AtStartUp({2, 3, 7}, 5);
  EXPECT_EQ(plan.selectedPort, kAutoPort);
  EXPECT_EQ(plan.ports, (std::vector<int>{2, 3, 7}));
}

TEST(SettingsPortSelectionTest, StoredPortIsSelectedThoughAnotherSortsFirst) {
  EXPECT_EQ(AtStartUp({2, 12}, 2).selectedPort, 2);
}

TEST(SettingsPortSelectionTest, NoStoredPortSelectsAuto) {
  EXPECT_EQ(AtStartUp({2, 3}, kAutoPort).selectedPort, kAutoPort);
}

TEST(SettingsPortSelectionTest, ArrivingPortIsSelected) {
  EXPECT_EQ(AfterDeviceChange({3, 7}, 3, {kAutoPort, 3}).selectedPort, 7);
}

TEST(SettingsPortSelectionTest, ArrivingPortIsSelectedWhenAutoWasSelected) {
  EXPECT_EQ(AfterDeviceChange({3, 4}, kAutoPort, {kAutoPort, 3}).selectedPort, 4);
}

TEST(SettingsPortSelectionTest, HighestOfSeveralArrivingPortsIsSelected) {
  EXPECT_EQ(AfterDeviceChange({3, 5, 9}, 3, {kAutoPort, 3}).selectedPort, 9);
  EXPECT_EQ(AfterDeviceChange({3, 5, 9}, 3, {kAutoPort, 3, 9}).selectedPort, 5);
}

TEST(SettingsPortSelectionTest, RemovingTheSelectedPortSelectsAuto) {
  EXPECT_EQ(AfterDeviceChange({2}, 3, {kAutoPort, 2, 3}).selectedPort, kAutoPort);
}

TEST(SettingsPortSelectionTest, RemovingAnotherPortKeepsTheSelection) {
  EXPECT_EQ(AfterDeviceChange({3}, 3, {kAutoPort, 2, 3}).selectedPort, 3);
}

TEST(SettingsPortSelectionTest, UnchangedPortsKeepTheSelection) {
  EXPECT_EQ(AfterDeviceChange({2, 3}, 2, {kAutoPort, 2, 3}).selectedPort, 2);
  EXPECT_EQ(AfterDeviceChange({2, 3}, kAutoPort, {kAutoPort, 2, 3}).selectedPort, kAutoPort);
}

TEST(SettingsPortSelectionTest, NoSelectionAndNoArrivalSelectsAuto) {
  EXPECT_EQ(AfterDeviceChange({2, 3}, std::nullopt, {kAutoPort, 2, 3}).selectedPort, kAutoPort);
}

TEST(SettingsPortSelectionTest, ExistingPreferredPortBeatsAnArrivingOne) {
  const PortListPlan plan = PlanPortList(Existing({2, 7}), 2, std::nullopt, true, {kAutoPort, 2});
  EXPECT_EQ(plan.selectedPort, 2);
}

TEST(SettingsPortSelectionTest, PreferredPortOverridesTheCurrentSelection) {
  const PortListPlan plan = PlanPortList(Existing({2, 3}), 2, 3, false, {kAutoPort, 2, 3});
  EXPECT_EQ(plan.selectedPort, 2);
}

TEST(SettingsPortSelectionTest, WithoutPreferNewArrivingPortsAreNotSelected) {
  const PortListPlan plan = PlanPortList(Existing({3, 7}), kAutoPort, 3, false, {kAutoPort, 3});
  EXPECT_EQ(plan.selectedPort, 3);
}

TEST(SettingsPortSelectionTest, PortsAbove255AreNeverListed) {
  int highestAsked = 0;
  const auto everyPortExists = [&highestAsked](int n) {
    highestAsked = std::max(highestAsked, n);
    return true;
  };
  const PortListPlan plan = PlanPortList(everyPortExists, 256, std::nullopt, false, {});
  ASSERT_EQ(plan.ports.size(), 255u);
  EXPECT_EQ(plan.ports.front(), 1);
  EXPECT_EQ(plan.ports.back(), 255);
  EXPECT_EQ(highestAsked, 255);
  EXPECT_EQ(plan.selectedPort, kAutoPort);
}

TEST(SettingsPortSelectionTest, Port255IsListedAndSelectable) {
  EXPECT_EQ(AtStartUp({255}, 255).selectedPort, 255);
  EXPECT_EQ(AfterDeviceChange({1, 255}, 1, {kAutoPort, 1}).selectedPort, 255);
}

// Network instruments stay through device changes as ports that never go; a new adapter is
// still preferred, and a stored instrument is selected at start-up over the stored COM port.
TEST(SettingsPortSelectionTest, NetworkInstrumentsAreKeptAsPortsThatAreAlwaysThere) {
  const int second = kFirstNetworkEntry + 1;
  EXPECT_EQ(PlanPortList(Existing({1, 3}), second, std::nullopt, false, {}, 2).selectedPort, second);
  EXPECT_EQ(PlanPortList(Existing({1, 3}), second, std::nullopt, false, {}, 1).selectedPort, kAutoPort);
  EXPECT_EQ(PlanPortList(Existing({3}), kAutoPort, second, true, {0, 3, second}, 2).selectedPort, second);
  EXPECT_EQ(PlanPortList(Existing({3, 7}), kAutoPort, second, true, {0, 3, second}, 2).selectedPort, 7);
  EXPECT_EQ(NetworkEntryIndex(second), 1u);
  EXPECT_EQ(NetworkEntryIndex(255), std::nullopt);
}

}  // namespace
}  // namespace velmar

// The simulated host's check of its display list: every fault planted in the
// links is still found, in one pass over the list.
#include <gtest/gtest.h>

#include <string>

#include "simhost/sim_host.h"
#include "tests/tier_harness.h"

namespace tier::test {
namespace {

using host::DisplayNode;
using host::HostPtr;

bool Says(const std::string& findings, const std::string& words) {
  return findings.find(words) != std::string::npos;
}

TEST(CheckInvariants, FindsEveryPlantedFaultInTheLinks) {
  {  // a list that runs back into itself: a cycle, and a node reached twice
    sim::SimHost sim(LineOfSprites(4));
    sim.Node(3)->next = HostPtr<DisplayNode>::To(sim.Node(1));
    const std::string found = sim.CheckInvariants();
    EXPECT_TRUE(Says(found, "(a cycle)")) << found;
    EXPECT_TRUE(Says(found, "a node appears twice")) << found;
  }
  {  // a link to a record the host never made
    sim::SimHost sim(LineOfSprites(3));
    sim.Node(1)->next = HostPtr<DisplayNode>(sim.RunDataAddress());
    const std::string found = sim.CheckInvariants();
    EXPECT_TRUE(Says(found, "reaches a node the host never made")) << found;
  }
  {  // a node skipped: the list holds fewer nodes, and a prev points past its neighbour
    sim::SimHost sim(LineOfSprites(4));
    sim.Node(1)->next = HostPtr<DisplayNode>::To(sim.Node(3));
    const std::string found = sim.CheckInvariants();
    EXPECT_TRUE(Says(found, "the list holds 3 of 4 nodes")) << found;
    EXPECT_TRUE(Says(found, "node 2 has a prev that is not its neighbour")) << found;
    EXPECT_TRUE(Says(found, "node 2 has level 4, expected 3")) << found;
  }
  {  // a level out of step with its place and with its owner's displayLevel
    sim::SimHost sim(LineOfSprites(3));
    sim.Node(2)->level = 9;
    const std::string found = sim.CheckInvariants();
    EXPECT_TRUE(Says(found, "node 2 has level 9, expected 3")) << found;
    EXPECT_TRUE(Says(found, "but its owner's displayLevel is 3")) << found;
  }
}

TEST(CheckInvariants, AConsistentListOfManyNodesHasNoFindings) {
  sim::SimHost sim(LineOfSprites(5000));
  EXPECT_EQ(sim.CheckInvariants(), "");
}

}  // namespace
}  // namespace tier::test

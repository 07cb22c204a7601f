// The component's C interface as the camera link uses it: registration and
// its configuration, object creation, the camera table, attaching, register
// and EEPROM traffic with its log, and injected faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component_loader.h"

namespace pixmender {
namespace {


constexpr uint8_t kEeprom = 0xA0;

class ComponentAbiTest : public testing::SimComponentTest {
 protected:
  std::string ReadIdentity(TalvexObject* control, int base) {
    std::string text;
    for (int i = 0; i < 10; ++i) {
      uint16_t word = 0;
      EXPECT_EQ(Api().ReadEepromWord(control, kEeprom, static_cast<uint16_t>(base + i), &word), TALVEX_OK);
      if (word == 0) break;
      text.push_back(static_cast<char>(word));
    }
    return text;
  }

};

struct ConfigCase {
  const char* config;
  int cameras;
  std::vector<std::string> identities;  // per camera
  int base;
  std::string serial;  // empty: the serial words stay zero
};

TEST_F(ComponentAbiTest, ConfigurationSetsCamerasIdentitiesBaseAndSerial) {
  const ConfigCase cases[] = {
      {"", 1, {"KORVEXANDA"}, 3072, ""},
      {"cameras=3;identity=PELUSTRINE,Zandovre42", 3, {"PELUSTRINE", "Zandovre42", "Zandovre42"}, 3072, ""},
      {" cameras = 2 ; identity = ABC ; base = 0x400 ; serial = SN-0000000001 ", 2, {"ABC", "ABC"}, 1024,
       "SN-0000000001"},
      // Garbage falls back to the defaults, entry by entry.
      {"cameras=17;base=-5;serial=short;identity=ELEVENCHARS;;novalue", 1, {"KORVEXANDA"}, 3072, ""},
  };
  for (const ConfigCase& c : cases) {
    SCOPED_TRACE(c.config);
    ASSERT_EQ(sim_->Register(c.config), TALVEX_OK);
    EXPECT_EQ(Api().VideoInputCount(), c.cameras);
    TalvexObject* enumerator = Enumerator();
    ASSERT_NE(enumerator, nullptr);
    EXPECT_EQ(Entries(enumerator).size(), static_cast<size_t>(c.cameras));
    for (int camera = 0; camera < c.cameras; ++camera) {
      const std::string& identity = c.identities[static_cast<size_t>(camera)];
      for (int i = 0; i < 10; ++i) {
        int expected = i < static_cast<int>(identity.size()) ? identity[static_cast<size_t>(i)] : 0;
        EXPECT_EQ(sim_->peekEeprom(camera, c.base + i), expected) << "camera " << camera << " word " << i;
      }
      for (int i = 0; i < 13; ++i) {
        int expected = c.serial.empty() ? 0 : c.serial[static_cast<size_t>(i)];
        EXPECT_EQ(sim_->peekEeprom(camera, c.base + 14 + i), expected);
      }
    }
    EXPECT_EQ(sim_->peekEeprom(c.cameras, 0), -1);
  }
}

TEST_F(ComponentAbiTest, SecondOfTwoCamerasCarriesTheAcceptedIdentity) {
  ASSERT_EQ(sim_->Register("cameras=2;identity=NOPE,PELUSTRINE"), TALVEX_OK);
  TalvexObject* enumerator = Enumerator();
  TalvexObject* control = Control();
  TalvexObject* stream = Stream();
  ASSERT_TRUE(enumerator && control && stream);
  auto entries = Entries(enumerator);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_NE(entries[0].first, entries[1].first);
  int selected = -1;
  for (size_t i = 0; i < entries.size() && selected < 0; ++i) {
    ASSERT_TRUE(OpenAndAttach(enumerator, entries[i], control, stream));
    EXPECT_EQ(Api().WriteBridgeRegister(control, 0x8107, 0), TALVEX_OK);
    std::string identity = ReadIdentity(control, 3072);
    if (identity == "PELUSTRINE") selected = static_cast<int>(i);
  }
  EXPECT_EQ(selected, 1);
  // The entry's name is the video input's name at the same index.
  ASSERT_EQ(Api().VideoInputCount(), 2);
  char name[64];
  ASSERT_EQ(Api().VideoInputName(1, name, sizeof name), TALVEX_OK);
  const TalvexCountedString* counted = entries[1].second;
  EXPECT_EQ(std::string(name), std::string(counted->text, counted->text + counted->length));
  EXPECT_EQ(Api().StreamSwitch(stream, TALVEX_PROPSET_STREAM, 1, 1, 0, 4096, 0, 0), TALVEX_OK);

  // Everything went to the camera of the entry attached at the time.
  auto writes = sim_->Writes();
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.front().camera, 0);
  EXPECT_EQ(writes.front().kind, TALVEX_SIM_BRIDGE);
  EXPECT_EQ(writes.back().camera, 1);
  EXPECT_EQ(writes.back().kind, TALVEX_SIM_STREAM);
  EXPECT_EQ(writes.back().value, 1u);
}

TEST_F(ComponentAbiTest, WritesReachTheAttachedCameraAndTheLog) {
  ASSERT_EQ(sim_->Register("cameras=2;fail=stuck=3100"), TALVEX_OK);
  TalvexObject* enumerator = Enumerator();
  TalvexObject* control = Control();
  ASSERT_TRUE(enumerator && control);
  auto entries = Entries(enumerator);
  ASSERT_EQ(entries.size(), 2u);
  ASSERT_TRUE(OpenAndAttach(enumerator, entries[1], control, nullptr));

  const uint8_t brightness = 0x09;
  const uint16_t value = 1500;
  uint16_t word = 0;
  EXPECT_EQ(Api().WriteBridgeRegister(control, 0xB03C, 0x20), TALVEX_OK);
  EXPECT_EQ(Api().WriteEepromWord(control, kEeprom, 3086, 'S'), TALVEX_OK);
  EXPECT_EQ(Api().WriteEepromWord(control, kEeprom, 3100, 0x12), TALVEX_OK);  // stuck: ignored
  EXPECT_EQ(Api().ReadEepromWord(control, kEeprom, 3086, &word), TALVEX_OK);
  EXPECT_EQ(word, 'S');
  EXPECT_EQ(Api().ReadEepromWord(control, kEeprom, 3100, &word), TALVEX_OK);
  EXPECT_EQ(word, 0);
  EXPECT_EQ(Api().WriteSensorRegister(control, 1, &brightness, 2, &value), TALVEX_OK);

  EXPECT_EQ(sim_->peekEeprom(1, 3086), 'S');
  EXPECT_EQ(sim_->peekEeprom(0, 3086), 0);
  EXPECT_EQ(sim_->peekSensor(1, 0x09), 1500);
  EXPECT_EQ(sim_->peekSensor(0, 0x09), 1024);

  const TalvexSimWrite expected[] = {
      {1, TALVEX_SIM_BRIDGE, 0xB03C, 0x20},     {1, TALVEX_SIM_EEPROM_WRITE, 3086, 'S'},
      {1, TALVEX_SIM_EEPROM_WRITE, 3100, 0x12}, {1, TALVEX_SIM_EEPROM_READ, 3086, 'S'},
      {1, TALVEX_SIM_EEPROM_READ, 3100, 0},     {1, TALVEX_SIM_SENSOR, 0x09, 1500},
  };
  auto writes = sim_->Writes();
  ASSERT_EQ(writes.size(), std::size(expected));
  for (size_t i = 0; i < writes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(writes[i].camera, expected[i].camera);
    EXPECT_EQ(writes[i].kind, expected[i].kind);
    EXPECT_EQ(writes[i].address, expected[i].address);
    EXPECT_EQ(writes[i].value, expected[i].value);
  }
  // Clearing the log; peeking and poking stay out of it.
  sim_->clearWrites();
  EXPECT_EQ(sim_->pokeEeprom(1, 3100, 7), TALVEX_OK);
  EXPECT_EQ(sim_->peekEeprom(1, 3100), 7);
  EXPECT_EQ(sim_->writeCount(), 0);
}

}  // namespace
}  // namespace pixmender

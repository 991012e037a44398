// The "wap." rule and the address forms.
#include "shell/address_rules.h"

#include <gtest/gtest.h>

#include "shell/text_length.h"

namespace tovarin::shell {
namespace {

TEST(AddressRulesTest, OnlyExactLowerCasePrefixIsAccepted) {
  EXPECT_TRUE(IsAcceptedAddress("wap."));
  EXPECT_TRUE(IsAcceptedAddress("wap.x"));
  EXPECT_TRUE(IsAcceptedAddress("wap.中文"));
  EXPECT_FALSE(IsAcceptedAddress(""));
  EXPECT_FALSE(IsAcceptedAddress("w"));
  EXPECT_FALSE(IsAcceptedAddress("wap"));
  EXPECT_FALSE(IsAcceptedAddress(" wap.x"));
  EXPECT_FALSE(IsAcceptedAddress("WAP.x"));
  EXPECT_FALSE(IsAcceptedAddress("wAp.x"));
  EXPECT_FALSE(IsAcceptedAddress("按Enter访问"));
  EXPECT_FALSE(IsAcceptedAddress("http://wap.x"));
  EXPECT_FALSE(IsAcceptedAddress(std::string_view("wap\0.", 5)));
}

TEST(AddressRulesTest, ServiceAddressAppendsWithoutEscaping) {
  EXPECT_EQ(ServiceAddress("http://s/p?url=", "wap.a b/%zz"), "http://s/p?url=wap.a b/%zz");
  EXPECT_EQ(ServiceAddress("", ""), "");
}

TEST(AddressRulesTest, SimulatorAddressForm) {
  EXPECT_EQ(SimulatorAddress("http://sim", "http", "h.example"),
            "http://sim/simulator/crawldata_r.jsp?rf=y&url=http%3A%2F%2Fh.example"
            "%2Fg%2Fs%3Faid%3Dindex%26s_it%3D1%26g_from%3D3gindex%26%26g_f%3D1283");
}

TEST(AddressRulesTest, SimulatorBaseOfAServicePrefix) {
  EXPECT_EQ(SimulatorBaseOf("http://127.0.0.1:47811/tovarin/Client/Tovarin.aspx?url="),
            "http://127.0.0.1:47811");
  EXPECT_EQ(SimulatorBaseOf("https://gw.example/k3y/tovarin/Client/Tovarin.aspx?url="),
            "https://gw.example/k3y");
  EXPECT_EQ(SimulatorBaseOf("http://h:8080/x?u="), "http://h:8080");
  EXPECT_EQ(SimulatorBaseOf("http://h?u="), "http://h");
  EXPECT_EQ(SimulatorBaseOf("http://h"), "http://h");
  EXPECT_EQ(SimulatorBaseOf("h/x?u="), "h/x?u=");
}

TEST(TextLengthTest, CountsCharactersNotBytes) {
  EXPECT_EQ(CharacterCount(""), 0u);
  EXPECT_EQ(CharacterCount("wap."), 4u);
  EXPECT_EQ(CharacterCount("按Enter访问"), 8u);
  EXPECT_EQ(CharacterCount("\xF0\x9F\x98\x80"), 1u);
}

}  // namespace
}  // namespace tovarin::shell

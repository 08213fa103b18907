#include "net/ozkTCP_Classes.h"

#include <gtest/gtest.h>

#include "base/ozkException.h"

// Outside any unnamed namespace, so that its class name reads as written.
class TNotProxyOptions : public TPersistent {};

TEST(TozkSocketProxy_Options, DefaultsAndAssignCopiesEveryField) {
  TozkTCPProxy_Options o;
  EXPECT_FALSE(o.Enabled());
  EXPECT_EQ(o.Host(), u"");
  EXPECT_EQ(o.Port(), 0);
  EXPECT_EQ(o.Username(), u"");
  EXPECT_EQ(o.Password(), u"");
  EXPECT_EQ(o.ProxyType(), pxyHTTP);
  EXPECT_EQ(static_cast<int>(pxySocks5), 3);

  TozkSocketProxy_Options src;
  src.SetEnabled(true);
  src.SetHost(u"proxy.example");
  src.SetPort(3128);
  src.SetUsername(u"user");
  src.SetPassword(u"secret");
  src.SetProxyType(pxySocks4A);
  o.Assign(src); // from the base class into the derived one
  EXPECT_TRUE(o.Enabled());
  EXPECT_EQ(o.Host(), u"proxy.example");
  EXPECT_EQ(o.Port(), 3128);
  EXPECT_EQ(o.Username(), u"user");
  EXPECT_EQ(o.Password(), u"secret");
  EXPECT_EQ(o.ProxyType(), pxySocks4A);

  TozkSocketProxy_Options back;
  o.SetProxyType(pxySocks5);
  back.Assign(o); // and from the derived class into the base
  EXPECT_EQ(back.ProxyType(), pxySocks5);
  EXPECT_EQ(back.Host(), u"proxy.example");

  TNotProxyOptions other;
  try {
    o.Assign(other);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TNotProxyOptions to a TozkTCPProxy_Options");
  }
  EXPECT_EQ(o.Host(), u"proxy.example") << "a refused copy changes nothing";
}

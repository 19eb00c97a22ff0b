#include "platform/guard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/testing/scripted_dialogs.h"
#include "rtl/exceptions.h"

namespace vitrix {
namespace {

using Texts = std::vector<std::string>;

class GuardTest : public ::testing::Test {
 protected:
  TScriptedDialogs dialogs_;
  TScopedPlatform<IDialogs> use_dialogs_{dialogs_};
};

TEST_F(GuardTest, ErrorMessageGoesToTheErrorBoxAndTheCallerGoesOn) {
  bool after = false;
  Guarded([] {
    throw EInOutError(5,
                      "Impossible de cr\xE9"
                      "er /x/");
  });
  after = true;
  EXPECT_TRUE(after);
  EXPECT_EQ(dialogs_.Errors(), (Texts{"Impossible de cr\xE9"
                                      "er /x/"}));
}

TEST_F(GuardTest, HandlerWithoutErrorShowsNothing) {
  int runs = 0;
  Guarded([&] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(dialogs_.Shown().empty());
}

TEST_F(GuardTest, AbortIsSilent) {
  Guarded([] { throw EAbort(); });
  EXPECT_TRUE(dialogs_.Shown().empty());
}

TEST_F(GuardTest, ForeignErrorsAreShownWithTheirTextOrAGenericOne) {
  Guarded([] { throw std::runtime_error("caf\xC3\xA9"); });  // UTF-8 from a library
  Guarded([] { throw 42; });
  Guarded([] { throw std::bad_alloc(); });
  EXPECT_EQ(dialogs_.Errors(), (Texts{"caf\xE9", "Erreur inattendue", "M\xE9moire insuffisante"}));
}

TEST_F(GuardTest, InPaintOrShowTheBoxWaitsForTheEventLoop) {
  Guarded([] { throw Exception("pendant le dessin"); }, TGuardPlace::gpPaintOrShow);
  EXPECT_TRUE(dialogs_.Shown().empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs_.Errors(), (Texts{"pendant le dessin"}));
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs_.Errors().size(), 1u);
}

}  // namespace
}  // namespace vitrix

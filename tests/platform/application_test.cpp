// The application object reports an exception that reaches the event
// dispatch instead of letting it end the program.
#include "platform/application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <cstdlib>

#include "platform/testing/scripted_dialogs.h"
#include "rtl/exceptions.h"

namespace vitrix {
namespace {

class TThrowingObject : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw Exception("dans un \xE9v\xE9nement");
    return QObject::event(e);
  }
};

TEST(Application, ExceptionLeavingAnEventIsShownAndTheProgramGoesOn) {
  TScriptedDialogs dialogs;
  TScopedPlatform<IDialogs> use(dialogs);
  TThrowingObject object;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
  EXPECT_EQ(dialogs.Errors(), std::vector<std::string>{"dans un \xE9v\xE9nement"});
  QEvent other(QEvent::User);
  QCoreApplication::sendEvent(&object, &other);
  EXPECT_EQ(dialogs.Errors().size(), 2u);
}

TEST(Application, ToolkitDialogsSpeakFrench) {
  auto* app = static_cast<TApplication*>(QCoreApplication::instance());
  ASSERT_TRUE(app->HasFrenchToolkitTexts());
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Oui"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
}

}  // namespace
}  // namespace vitrix

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  vitrix::TApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

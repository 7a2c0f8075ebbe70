#include "common/QtTexts.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(QtTexts, DialogButtonsSpeakTheInterfaceLanguage)
{
    // GIVEN a language Qt has no catalogue for: nothing is installed
    EXPECT_FALSE(installQtTexts(QStringLiteral("xx")));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));

    // WHEN Polish is chosen THEN the buttons of message boxes are Polish
    ASSERT_TRUE(installQtTexts(QStringLiteral("pl"))) << "Qt's catalogues (qttranslations5-l10n) are missing";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Tak"));
}

// SPDX-License-Identifier: MIT
#include "platform/linux/EvaluationReadings.h"
#include "tests/support/QtPrinters.h"

#include <QString>

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

const QByteArray chromium = ":1.42";
const QByteArray input = "/org/a11y/atspi/accessible/7";
const QByteArray body = "/org/a11y/atspi/accessible/8";

GHashTablePtr attributesWithClass(const char* classes) {
    GHashTablePtr table(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free));
    g_hash_table_insert(table.get(), g_strdup("class"), g_strdup(classes));
    return table;
}

QString classOf(const GHashTablePtr& table) {
    return QString::fromUtf8(static_cast<const char*>(g_hash_table_lookup(table.get(), "class")));
}

// Classes and ids change without any event, and frames move silently: what one evaluation
// shares between attributes must never answer the next one.
TEST(EvaluationReadings, SharesAnswersOnlyWithinOneEvaluationAndOnlyWhileNothingChanged) {
    EvaluationReadings readings;
    const GHashTablePtr composer = attributesWithClass("composer");
    readings.keepAttributes(chromium, input, 3, composer.get());
    readings.keepExtents(chromium, input, 3, AtspiRect{1, 2, 3, 4});
    EXPECT_FALSE(readings.attributes(chromium, input, 3)) << "outside an evaluation";
    EXPECT_FALSE(readings.extents(chromium, input, 3));

    readings.begin();
    readings.begin(); // a nested scope ends before the evaluation does
    readings.keepAttributes(chromium, input, 3, composer.get());
    readings.keepExtents(chromium, input, 3, AtspiRect{1, 2, 3, 4});
    readings.end();
    ASSERT_TRUE(readings.attributes(chromium, input, 3));
    EXPECT_EQ(classOf(readings.attributes(chromium, input, 3)), QString("composer"));
    EXPECT_EQ(readings.extents(chromium, input, 3)->width, 3);
    EXPECT_FALSE(readings.attributes(chromium, body, 3)) << "another element";
    EXPECT_FALSE(readings.attributes(chromium, input, 4)) << "the application reported a change";
    EXPECT_FALSE(readings.extents(chromium, input, 4));
    readings.end();

    readings.begin();
    EXPECT_FALSE(readings.attributes(chromium, input, 3)) << "the next evaluation asks again";
    EXPECT_FALSE(readings.extents(chromium, input, 3));
    readings.keepAttributes(chromium, input, 3, attributesWithClass("composer wide").get());
    EXPECT_EQ(classOf(readings.attributes(chromium, input, 3)), QString("composer wide"))
        << "the table outlives the caller's reference";
    readings.clear(); // a write may change what the application shows
    EXPECT_FALSE(readings.attributes(chromium, input, 3));
    readings.end();
}

} // namespace
} // namespace tandrel::linuxdesktop

#pragma once

// One of these at the end of each test file gives it its main(). The
// application object is made after gtest has parsed its flags, so test
// discovery (--gtest_list_tests) needs no display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>

#define KELO_TEST_MAIN()                                \
    int main(int argc, char** argv) {                   \
        ::testing::InitGoogleTest(&argc, argv);         \
        return RUN_ALL_TESTS();                         \
    }

#define KELO_TEST_MAIN_WITH_APP(AppType)                \
    int main(int argc, char** argv) {                   \
        ::testing::InitGoogleTest(&argc, argv);         \
        if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS(); \
        AppType app(argc, argv);                        \
        return RUN_ALL_TESTS();                         \
    }

#define KELO_TEST_MAIN_CORE() KELO_TEST_MAIN_WITH_APP(QCoreApplication)
#define KELO_TEST_MAIN_GUI() KELO_TEST_MAIN_WITH_APP(QApplication)

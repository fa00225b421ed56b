#pragma once

// The libFuzzer set-up shared by targets whose readers need fonts or a text document: a GUI
// application on the offscreen platform, made once before the first input. Include it in
// exactly one source of a target.
#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

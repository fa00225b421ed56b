#pragma once

// The libFuzzer set-up shared by targets whose readers need fonts or a text document: a GUI
// application on the offscreen platform, made once before the first input. Include it in
// exactly one source of a target.
#include <QGuiApplication>

// Never destroyed: Qt's font caches outlive an application object that ends before the process
// does, and the leak check at exit would report them. Held here so that it stays reachable.
QGuiApplication* offscreenApplication = nullptr;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    offscreenApplication = new QGuiApplication(*argc, *argv);
    return 0;
}

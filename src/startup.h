#pragma once

#include <QUrl>

// The program: application object, Api, Proctor and the QML engine, then the root document
// (the module's Main unless another document is named). Returns -1 without entering the event
// loop when the document yields no root object, else the event loop's exit code.
int runClient(int &argc, char **argv, const QUrl &mainDocument = QUrl());

// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled half of the Python module `quandrel`: the program's own libraries with a thin
// binding; quandrel/__init__.py holds the Python side.

#include <QCoreApplication>
#include <clocale>
#include <new>
#include <stdexcept>
#include <string>

#include "python/module_support.h"

namespace py = pybind11;

void RaiseOsError(const std::string& message) {
    PyErr_SetString(PyExc_OSError, message.c_str());
    throw py::error_already_set();
}

void RaiseForOutcome(const BatchOutcome& outcome) {
    switch (outcome.status) {
        case BatchStatus::Ok:
            return;
        case BatchStatus::ImageFailed:
        case BatchStatus::WriteFailed:
        case BatchStatus::OutOfResources:
        case BatchStatus::OutputIsInput:
        case BatchStatus::BadPart:
            RaiseOsError(outcome.message);
        case BatchStatus::OutOfMemory:
            PyErr_SetString(PyExc_MemoryError, outcome.message.c_str());
            throw py::error_already_set();
        case BatchStatus::NothingToWrite:
        case BatchStatus::SessionRefused:
            throw py::value_error(outcome.message);
        case BatchStatus::Cancelled:
            PyErr_SetNone(PyExc_KeyboardInterrupt);
            throw py::error_already_set();
    }
    throw std::runtime_error(outcome.message);
}

py::str Utf8Text(const std::string& bytes) {
    PyObject* text = PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()),
                                          "surrogateescape");
    if (text == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(text);
}

void EnsurePictureReaders() {
    if (QCoreApplication::instance() != nullptr) return;
    // Qt's constructor takes the locale from the environment; Python's own settings are put
    // back, so that nothing else in the interpreter changes (numbers are written with
    // std::to_chars, whatever the locale).
    const char* current = std::setlocale(LC_ALL, nullptr);
    const std::string saved = current != nullptr ? current : "C";
    static int argc = 1;
    static char name[] = "quandrel";
    static char* argv[] = {name, nullptr};
    // Lives as long as the interpreter: the readers may be used at any time.
    new QCoreApplication(argc, argv);
    std::setlocale(LC_ALL, saved.c_str());
}

PYBIND11_MODULE(_quandrel, m) {
    m.doc() = "The compiled half of quandrel: see help(quandrel).";
    m.attr("__version__") = QUANDREL_VERSION;
    BindSessions(m);
    BindPictures(m);
}

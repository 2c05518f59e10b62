// SPDX-License-Identifier: GPL-3.0-or-later
// Sessions from Python: the text of a session file goes through the program's own reader and
// writer, and a measurement is the batch tool's, table bytes and all.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <optional>
#include <string>

#include "batch/batch_run.h"
#include "python/module_support.h"
#include "python/tidy_columns.h"
#include "session/session_file.h"
#include "session/session_limits.h"
#include "session/session_tree.h"
#include "session/session_values.h"
#include "session/session_write.h"

namespace py = pybind11;

namespace {

Session ParseOrRaise(const std::string& text, const std::string& name, const std::string& folder) {
    SessionResult parsed = ParseSession(text, name, folder);
    if (!parsed.session) throw py::value_error(parsed.error);
    return std::move(*parsed.session);
}

// The file's own JSON (comments dropped) and the folder its relative image names stand in,
// once the program's reader has accepted it.
py::tuple LoadText(const std::string& path) {
    std::string text;
    if (const std::string failure = ReadSessionText(path, text); !failure.empty()) {
        RaiseOsError(path + ": cannot be read: " + failure);
    }
    const std::string folder = SessionFolderOf(path);
    ParseOrRaise(text, path, folder);
    SessionTree tree;
    ReadSessionTree(text, path, tree);
    return py::make_tuple(tree.Root().dump(), folder);
}

void CheckText(const std::string& text, const std::string& name, const std::string& folder) {
    ParseOrRaise(text, name, folder);
}

void SaveText(const std::string& text, const std::string& name, const std::string& folder,
              const std::string& path) {
    const Session session = ParseOrRaise(text, name, folder);
    const SessionSaveResult saved = SaveSession(session, path);
    if (saved.ok()) return;
    if (!saved.write.ok()) RaiseOsError(saved.error);
    throw py::value_error(saved.error);
}

// The table's columns as (name, kind, values): numpy arrays of int64 or float64, or lists of
// str and None for text.
py::list ColumnsOf(const std::string& table) {
    std::vector<TidyColumn> columns;
    try {
        columns = SplitTidyTable(table);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(std::string("the table cannot be read back: ") + e.what());
    }
    py::list out;
    for (TidyColumn& column : columns) {
        switch (column.kind) {
            case TidyColumn::Kind::Integer:
                out.append(py::make_tuple(
                    column.name, "int",
                    py::array_t<std::int64_t>(static_cast<py::ssize_t>(column.integers.size()),
                                              column.integers.data())));
                break;
            case TidyColumn::Kind::Real:
                out.append(py::make_tuple(
                    column.name, "real",
                    py::array_t<double>(static_cast<py::ssize_t>(column.reals.size()),
                                        column.reals.data())));
                break;
            case TidyColumn::Kind::Text: {
                py::list texts;
                for (std::size_t i = 0; i < column.texts.size(); ++i) {
                    if (column.present[i]) {
                        texts.append(Utf8Text(column.texts[i]));
                    } else {
                        texts.append(py::none());
                    }
                }
                out.append(py::make_tuple(column.name, "text", texts));
                break;
            }
        }
    }
    return out;
}

// Measures as `quandrel-batch SESSION --format csv` does, with the GIL released. The progress
// callback and Ctrl+C are looked at with the GIL held from the run's own polling (a few times a
// second); either raising cancels the run, and the exception is raised here once the workers
// have stopped.
py::tuple Measure(const std::string& text, const std::string& name, const std::string& folder,
                  int jobs, const py::object& progress) {
    const Session session = ParseOrRaise(text, name, folder);
    if (jobs < 0) throw py::value_error("jobs must be 0 (one per core) or more");
    EnsurePictureReaders();
    std::optional<py::error_already_set> raised;
    const BatchProgress report = [&](int done, int total) {
        if (progress.is_none() || raised) return;
        py::gil_scoped_acquire held;
        try {
            progress(done, total);
        } catch (py::error_already_set& e) {
            raised.emplace(std::move(e));
        }
    };
    const BatchCancel cancel = [&]() {
        if (raised) return true;
        py::gil_scoped_acquire held;
        if (PyErr_CheckSignals() != 0) raised.emplace();
        return raised.has_value();
    };
    BatchFormat format;
    format.tidyTable = true;
    std::string bytes;
    BatchOutcome outcome;
    {
        py::gil_scoped_release released;
        outcome = MeasureSession(session, jobs, report, bytes, format, cancel);
    }
    if (raised) throw std::move(*raised);
    RaiseForOutcome(outcome);
    return py::make_tuple(ColumnsOf(bytes), outcome.warning);
}

}  // namespace

void BindSessions(py::module_& m) {
    m.def("_load_text", &LoadText, py::arg("path"));
    m.def("_check_text", &CheckText, py::arg("text"), py::arg("name"), py::arg("folder"));
    m.def("_save_text", &SaveText, py::arg("text"), py::arg("name"), py::arg("folder"),
          py::arg("path"));
    m.def("_measure_text", &Measure, py::arg("text"), py::arg("name"), py::arg("folder"),
          py::arg("jobs"), py::arg("progress"));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The caliper rules of a session file (version 3):
//   "lineRules": [null, {"kind": "edge", "polarity": "rising", "select": "first", ...}, ...]
//       one entry per line: null for a line under the session's own rule, else the line's rule
//       with every key written ("kind" edge, threshold or pair; "polarity" rising, falling or
//       either; "select" first, last, strongest, nth or nearest; "nth"; "sigma";
//       "minContrast"; "estimator" parabola, gaussian or step-fit; "level";
//       "levelIsFraction"; "lastCrossing"; "pairOrder" rise-fall or fall-rise; "minWidth";
//       "maxWidth"); a reader takes any key left out at its default
//   "newLineRule": {...} the rule the window gives lines drawn from now on, as a "lineRules"
//       entry; left out when new lines follow the session's own rule
//   a detection's "caliper": the rule the line had when its edge was found with these settings
//   per image, "caliper": [null, {"status": "ok", "edge": {"pos": 12.31, "contrast": 98.5,
//       "sigma": 0.021, "residual": 0.4}, "second": {...}, "width": 6.6, "noise": 0.8,
//       "ratio": 1.9}, ...] one entry per line: what the line's rule measured where its cursor
//       stands, for a cursor detected under a caliper rule, or null

#include <optional>
#include <string>
#include <vector>

#include "model/caliper_measure.h"
#include "session/session_file.h"
#include "session/session_values.h"

CaliperRule ReadRule(const SessionValues& values, const nlohmann::json& object,
                     const std::string& field);
std::vector<std::optional<CaliperRule>> ReadLineRules(const SessionValues& values,
                                                      const nlohmann::json& list,
                                                      std::size_t lineCount);
// The image's "caliper" list, one entry per cursor: only a cursor detected with settings that
// name a caliper rule may have one.
std::vector<std::optional<CaliperMeasure>> ReadMeasures(
    const SessionValues& values, const nlohmann::json& list, const std::string& field,
    const std::vector<DetectionSettings>& detections, const std::vector<int>& lastSample,
    const std::vector<SessionCursor>& cursors);

void AppendRule(std::string& out, const CaliperRule& rule);
// The session's "lineRules" field with its line end; nothing when no line has a rule.
void AppendLineRules(std::string& out, const std::vector<std::optional<CaliperRule>>& rules);
// The image's "caliper" field after ", "; nothing when no cursor has a measure.
void AppendMeasures(std::string& out, const std::vector<std::optional<CaliperMeasure>>& measures);

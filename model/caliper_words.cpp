// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/caliper_words.h"

#include <charconv>

namespace {

std::string Number(double v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return {text, end};
}

const char* PolarityWord(EdgePolarity polarity) {
    switch (polarity) {
        case EdgePolarity::Rising:
            return "rising";
        case EdgePolarity::Falling:
            return "falling";
        case EdgePolarity::Either:
            break;
    }
    return "either";
}

std::string SelectWords(const CaliperRule& rule) {
    switch (rule.select) {
        case EdgeSelect::First:
            return "first";
        case EdgeSelect::Last:
            return "last";
        case EdgeSelect::Nth:
            return "nth=" + std::to_string(rule.nth);
        case EdgeSelect::Nearest:
            return "nearest";
        case EdgeSelect::Strongest:
            break;
    }
    return "strongest";
}

const char* EstimatorWord(EdgeEstimator estimator) {
    switch (estimator) {
        case EdgeEstimator::Gaussian:
            return "gaussian";
        case EdgeEstimator::StepFit:
            return "step-fit";
        case EdgeEstimator::Parabola:
            break;
    }
    return "parabola";
}

}  // namespace

const char* PlainRuleWord(int mode) {
    static const char* const kRules[] = {"minimum", "maximum", "steepest-fall", "steepest-rise"};
    return kRules[mode < 0 ? 0 : (mode > 3 ? 3 : mode)];
}

std::string CaliperWords(const CaliperRule& rule) {
    // A plain rule uses none of the caliper's fields but its track.
    if (rule.kind == CaliperKind::Plain) {
        std::string words = std::string("plain ") + PlainRuleWord(rule.plainMode);
        if (rule.track > 0) words += " track=" + std::to_string(rule.track);
        return words;
    }
    std::string words;
    switch (rule.kind) {
        case CaliperKind::Threshold:
            words = std::string("threshold ") + PolarityWord(rule.polarity) +
                    (rule.lastCrossing ? " last" : " first") + " level=" +
                    (rule.levelIsFraction ? Number(100.0 * rule.level) + "%" : Number(rule.level));
            break;
        case CaliperKind::Pair:
            words = std::string("pair ") +
                    (rule.pairOrder == PairOrder::RiseFall ? "rise-fall " : "fall-rise ") +
                    SelectWords(rule) + " width=" + Number(rule.minWidth) + ".." +
                    Number(rule.maxWidth);
            break;
        case CaliperKind::Plain:
        case CaliperKind::Edge:
            words = std::string("edge ") + PolarityWord(rule.polarity) + " " + SelectWords(rule);
            break;
    }
    words += " sigma=" + Number(rule.sigma);
    if (rule.minContrast > 0.0) words += " contrast>=" + Number(rule.minContrast);
    if (rule.kind != CaliperKind::Threshold) words += std::string(" ") + EstimatorWord(rule.estimator);
    if (rule.bilinear) words += " bilinear";
    if (rule.track > 0) words += " track=" + std::to_string(rule.track);
    return words;
}

const char* CaliperStatusWord(CaliperStatus status) {
    switch (status) {
        case CaliperStatus::Ok:
            return "ok";
        case CaliperStatus::Weak:
            return "weak";
        case CaliperStatus::Ambiguous:
            return "ambiguous";
        case CaliperStatus::FitFailed:
            return "fit-failed";
        case CaliperStatus::AtLineEnd:
            return "at-line-end";
        case CaliperStatus::Lost:
            return "lost";
        case CaliperStatus::NotFound:
            break;
    }
    return "not-found";
}

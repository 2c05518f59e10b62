// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands/setting_commands.h"

#include <QCoreApplication>
#include <vector>

namespace {

// The step is named after the control the user clicked, as the panel labels it.
QString OptionsText(const PanelOptions& a, const PanelOptions& b) {
    const int changed = (a.channel != b.channel) + (a.edgeMode != b.edgeMode) +
                        (a.autoDetect != b.autoDetect) + (a.axisIndividual != b.axisIndividual) +
                        !(a.edge == b.edge) + (a.newLineRule != b.newLineRule);
    if (changed != 1) return QCoreApplication::translate("Document", "オプションの変更");
    if (!(a.edge == b.edge))
        return QCoreApplication::translate("Document", "エッジ検出の詳細設定の変更");
    if (a.newLineRule != b.newLineRule)
        return QCoreApplication::translate("Document", "新しい線のルールの変更");
    if (a.channel != b.channel)
        return QCoreApplication::translate("Document", "表示する輝度値の変更");
    if (a.edgeMode != b.edgeMode)
        return QCoreApplication::translate("Document", "エッジとして検出する点の変更");
    if (a.autoDetect != b.autoDetect)
        return QCoreApplication::translate("Document", "エッジの自動検出の切り替え");
    return QCoreApplication::translate("Document", "軸の設定の切り替え");
}

}  // namespace

CMeasureSwitchCommand::CMeasureSwitchCommand(CNorvaleDoc& doc, bool area)
    : CDocCommand(doc, area ? QCoreApplication::translate("Document", "面積の計測")
                            : QCoreApplication::translate("Document", "長さの計測")),
      m_bArea(area) {}

void CMeasureSwitchCommand::Toggle() {
    bool& on = m_bArea ? Doc().m_bMeasureArea : Doc().m_bMeasureLength;
    on = !on;
}

void CMeasureSwitchCommand::Apply(bool /*first*/) {
    Toggle();
}

void CMeasureSwitchCommand::Revert() {
    Toggle();
}

COptionsCommand::COptionsCommand(CNorvaleDoc& doc, const PanelOptions& before,
                                 const PanelOptions& after)
    : CDocCommand(doc, OptionsText(before, after)), m_before(before), m_after(after) {}

void COptionsCommand::ApplyStepLimit(const PanelOptions& options) {
    CDataProfile& profile = Profile();
    const int limit = options.edge.MaxSteps();
    if (limit == profile.m_nMaxSteps) return;
    if (limit < profile.m_nMaxSteps) {
        m_cut.clear();
        for (int i = 0; i < profile.GetSize(); ++i) {
            const CScanArray* lines = profile.GetArray(i, 0);
            for (int n = 0; lines != nullptr && n < lines->GetSize(); ++n) {
                const CScan& line = *lines->GetAt(n);
                if (line.m_nPos > limit) m_cut.push_back({i, n, line.m_nPos, line.m_dSubPos, line.m_measure});
            }
        }
        profile.SetStepLimit(limit);
        return;
    }
    profile.SetStepLimit(limit);
    for (const CutCursor& cut : m_cut) {
        if (CScan* line = profile.GetLine(cut.image, 0, cut.line)) {
            line->SetEdge(cut.pos, cut.subPos);
            line->m_measure = cut.measure;
        }
    }
    m_cut.clear();
}

void COptionsCommand::Resample(DocCursor& cursor) {
    const bool walk = m_after.edge.wholeLine != m_before.edge.wholeLine;
    // The graph shows the current line as the new width, or the new walk, samples it.
    if (walk || m_after.edge.lineWidth != m_before.edge.lineWidth) Doc().SampleCurLine();
    // The line the step goes back to, sampled under the other walk, has as many samples as
    // its walk now has.
    const CScan* line = Profile().GetLine(cursor.image, cursor.array, cursor.line);
    if (walk && line != nullptr) {
        const int other =
            line->m_nMaxSteps == kMaxWholeScanSteps ? kMaxScanSteps : kMaxWholeScanSteps;
        const CPoint& a = line->m_ptStart;
        const CPoint& b = line->m_ptEnd;
        if (cursor.lastSample == SetupWalk(a.x, a.y, b.x, b.y, other).count) {
            cursor.lastSample = line->m_nCount;
        }
    }
}

void COptionsCommand::Apply(bool /*first*/) {
    Doc().SetOptions(m_after);
    ApplyStepLimit(m_after);
    Resample(CDocCommand::m_after);
}

void COptionsCommand::Revert() {
    Doc().SetOptions(m_before);
    ApplyStepLimit(m_before);
    Resample(CDocCommand::m_before);
}

#include "document/commands/setting_commands.h"

#include <QCoreApplication>

namespace {

// The step is named after the control the user clicked, as the panel labels it.
QString OptionsText(const PanelOptions& a, const PanelOptions& b) {
    const int changed = (a.channel != b.channel) + (a.edgeMode != b.edgeMode) +
                        (a.autoDetect != b.autoDetect) + (a.axisIndividual != b.axisIndividual) +
                        !(a.edge == b.edge);
    if (changed != 1) return QCoreApplication::translate("Document", "オプションの変更");
    if (!(a.edge == b.edge))
        return QCoreApplication::translate("Document", "エッジ検出の詳細設定の変更");
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

void COptionsCommand::Apply(bool /*first*/) {
    Doc().SetOptions(m_after);
    // The graph shows the current line as the new width samples it.
    if (m_after.edge.lineWidth != m_before.edge.lineWidth) Doc().SampleCurLine();
}

void COptionsCommand::Revert() {
    Doc().SetOptions(m_before);
    if (m_after.edge.lineWidth != m_before.edge.lineWidth) Doc().SampleCurLine();
}

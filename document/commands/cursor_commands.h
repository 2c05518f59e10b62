#pragma once

#include "document/commands/doc_command.h"

// Where one line's edge point sits on one image, whether its detection is pending, and how it
// came there.
struct LineCursor {
    int pos = 0;
    bool detect = false;
    double subPos = -1.0;  // the sub-pixel edge beside the cursor, negative for none
    CursorOrigin origin = CursorOrigin::Kept;
    std::uint32_t found = 0;

    friend bool operator==(const LineCursor&, const LineCursor&) = default;
};

// Line n's cursor on image i moved. The edit has been made when the step is made; the step
// records it.
class CLineCursorCommand : public CDocCommand {
public:
    CLineCursorCommand(CNorvaleDoc& doc, const QString& text, const DocCursor& before, int image,
                       int line, LineCursor old, LineCursor now);

    static LineCursor Of(const CScan& line) {
        return {line.m_nPos, line.m_bDetect, line.m_dSubPos, line.m_origin, line.m_nFound};
    }

protected:
    void Apply(bool first) override;
    void Revert() override;
    void Put(const LineCursor& cursor);

    int m_nImage;
    int m_nLine;
    LineCursor m_old;
    LineCursor m_now;
};

// An arrow key's step of the edge point. Steps of one line on one image in a row are one step;
// back where they began they are none.
class CNudgeCommand : public CLineCursorCommand {
public:
    static constexpr int kId = 1;

    CNudgeCommand(CNorvaleDoc& doc, const DocCursor& before, int image, int line, LineCursor old,
                  LineCursor now);

    int id() const override { return kId; }
    bool mergeWith(const QUndoCommand* other) override;
};

// The panel's re-detection of the current line on the current image.
class CRedetectCommand : public CLineCursorCommand {
public:
    CRedetectCommand(CNorvaleDoc& doc, const DocCursor& before, int image, int line, LineCursor old,
                     LineCursor now);
};

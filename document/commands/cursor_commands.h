// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <vector>

#include "document/commands/doc_command.h"

// Where one line's edge point sits on one image, whether its detection is pending, and how it
// came there.
struct LineCursor {
    int pos = 0;
    bool detect = false;
    double subPos = -1.0;  // the sub-pixel edge beside the cursor, negative for none
    CursorOrigin origin = CursorOrigin::Kept;
    std::uint32_t found = 0;
    // What a caliper rule measured there; shared, as nothing changes a measure once made.
    std::shared_ptr<const CaliperMeasure> measure = {};

    friend bool operator==(const LineCursor&, const LineCursor&) = default;
};

// Puts the line's cursor as it was recorded, with all that came with it; nothing for null.
void PutLineCursor(CScan* line, const LineCursor& cursor);

// Line n's cursor on image i moved. The edit has been made when the step is made; the step
// records it.
class CLineCursorCommand : public CDocCommand {
public:
    CLineCursorCommand(CNorvaleDoc& doc, const QString& text, const DocCursor& before, int image,
                       int line, LineCursor old, LineCursor now);

    static LineCursor Of(const CScan& line) {
        return {line.m_nPos,   line.m_bDetect, line.m_dSubPos,
                line.m_origin, line.m_nFound,  line.m_measure};
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

// Many lines' cursors changed at once (a detection of every line): what each was and is. The
// edit has been made when the step is made; the step records it.
class CCursorsCommand : public CDocCommand {
public:
    struct Change {
        int image;
        int line;
        LineCursor old;
        LineCursor now;
    };

    CCursorsCommand(CNorvaleDoc& doc, const QString& text, const DocCursor& before,
                    std::vector<Change> changes);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    void Put(bool now);

    std::vector<Change> m_changes;
};

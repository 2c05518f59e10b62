// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "document/commands/doc_command.h"
#include "series/entry_survey.h"

// The steps of the file list. Records leave the list whole into the step and come back whole,
// so every cursor, flag and calibration comes back as it was.

// Files appended to the list; the first of them becomes current.
class CAddFilesCommand : public CDocCommand {
public:
    // Each file with the entries it gives (its pages or frames, or the picture itself).
    struct File {
        std::string path;
        std::vector<ListEntry> entries;
    };
    CAddFilesCommand(CNorvaleDoc& doc, std::vector<File> files);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    int m_nFirst;
    std::vector<File> m_files;  // until the first Apply
    std::vector<CImageRecord> m_records;                       // while undone
};

// The current file taken out of the list.
class CDeleteFileCommand : public CDocCommand {
public:
    CDeleteFileCommand(CNorvaleDoc& doc, int index);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    int m_nIndex;
    CImageRecord m_record;  // while done
};

// The whole list taken out.
class CDeleteAllCommand : public CDocCommand {
public:
    explicit CDeleteAllCommand(CNorvaleDoc& doc);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    std::vector<std::unique_ptr<CScanSeries>> m_series;  // while done
    std::vector<std::unique_ptr<CDataAxis>> m_axes;
};

// The list put in a new order: place k takes the record at order[k]. The current file stays
// current.
class CSortFilesCommand : public CDocCommand {
public:
    CSortFilesCommand(CNorvaleDoc& doc, std::vector<int> order);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    std::vector<int> m_order;
};

// The current file exchanged with its neighbour above (dir -1) or below (dir +1).
class CMoveFileCommand : public CDocCommand {
public:
    CMoveFileCommand(CNorvaleDoc& doc, int index, int dir);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    int m_nIndex;
    int m_nDir;
};

#pragma once

#include "task/conversionitem.h"
#include "ui/mclistadapterbase.h"

#include <string>

class ConversionList;

// The conversion list `mclv_convert` as an item model over the rows of the function the page
// shows. The pipeline threads change rows in the store and post messages; the window turns
// those into the notifications here. UI thread only.
class CConvMcListAdapterMgr : public CMcListAdapterBase
{
    Q_OBJECT

public:
    // Extra roles of column 0 for the row widgets.
    enum Role
    {
        StatusRole = Qt::UserRole + 1, // int value of ConversionStatus
        ProgressRole,
        StatusTextRole,
        DetailTextRole,
    };

    // How a row in a status looks: status text or progress bar, and which buttons it offers.
    struct RowLook
    {
        bool progress = false;
        bool download = false;
        bool openButtons = false;
        bool remove = false;
    };
    static RowLook LookOf(ConversionStatus status);

    explicit CConvMcListAdapterMgr(ConversionList& list, QObject* parent = nullptr);

    ConversionList& List() { return list; }
    std::string CurrentFunction() const;
    // Shows the rows of `name`.
    void SetCurrentFunction(const std::string& name);

    void AddFile(const std::string& name, const std::string& path);
    void RemoveAt(const std::string& name, int index);
    void SetStatus(const std::string& name, int index, ConversionStatus status, bool notify);
    void SetAllStatus(const std::string& name, ConversionStatus status, bool notify);
    // Empties the current function's rows.
    void ClearCurrent();

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

protected:
    int DataCount() const override;

private:
    ConversionList& list;
};

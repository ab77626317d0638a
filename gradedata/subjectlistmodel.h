#pragma once

#include "gradedata/subjectlist.h"

#include <QAbstractListModel>

// The names of a subject list as a list model: the display text of a row is its name, made when
// the view asks for it, so that a list of millions of subjects costs the view no item per row. The
// list is given whole and shared with whoever gave it until one of the two changes.
class SubjectListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit SubjectListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const SubjectList& subjects() const { return subjects_; }
    // Shows these names instead (the views lose their selection).
    void setSubjects(const SubjectList& subjects);

private:
    SubjectList subjects_;
};

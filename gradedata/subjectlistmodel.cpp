#include "gradedata/subjectlistmodel.h"

SubjectListModel::SubjectListModel(QObject* parent) : QAbstractListModel(parent) {}

int SubjectListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(subjects_.size());
}

QVariant SubjectListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= subjects_.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return subjects_.at(index.row());
}

void SubjectListModel::setSubjects(const SubjectList& subjects) {
    beginResetModel();
    subjects_ = subjects;
    endResetModel();
}

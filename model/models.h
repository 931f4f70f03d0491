// The page models of one program: created once, beside the operations they
// work on, by whoever owns those (the view host; kesta-ctl; the tests). The
// scene reaches each model as a singleton of Kesta.Model whose factory
// (create) hands out the instance of the Models that currently exists, so
// the scene, the flows and (later) other clients share one state.
#pragma once

#include <memory>

#include <QJSEngine>
#include <QObject>

class Operations;
class MacroTreeModel;
class MacroStepsModel;
class QQmlEngine;

class Models : public QObject
{
    Q_OBJECT
public:
    explicit Models(Operations &ops, QObject *parent = nullptr);
    ~Models() override;

    // The Models of the running program; null when none exists.
    static Models *instance();

    Operations &operations() const { return m_ops; }
    MacroTreeModel *macroTree() const { return m_macroTree.get(); }
    MacroStepsModel *macroSteps() const { return m_macroSteps.get(); }

    // For the singletons' factories: the scene must never delete a model.
    template <typename T> static T *expose(T *model)
    {
        if (model)
            QJSEngine::setObjectOwnership(model, QJSEngine::CppOwnership);
        return model;
    }

private:
    Operations &m_ops;
    std::unique_ptr<MacroTreeModel> m_macroTree;
    std::unique_ptr<MacroStepsModel> m_macroSteps;
};

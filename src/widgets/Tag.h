// Every control of the editor carries a small integer, its tag: the control
// index for value controls and captions, the item value for radio items.
// Qt controls keep it as a dynamic property so plain scroll bars and sliders
// can carry one too.
#pragma once

#include <QObject>
#include <QVariant>

namespace velmora::widgets {

inline void setTag(QObject* object, int tag)
{
    object->setProperty("Tag", tag);
}

// -1 when the object carries no tag.
inline int tagOf(const QObject* object)
{
    const QVariant tag = object->property("Tag");
    return tag.isValid() ? tag.toInt() : -1;
}

} // namespace velmora::widgets

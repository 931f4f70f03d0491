import QtQuick

// The reference scene: one empty item.
Item {}

// Registered resources: templates, strings, pictures and custom-control factories.
#include <QWidget>
#include <map>
#include <memory>
#include <mutex>

#include "afx_pictures.h"
#include "dlg_template.h"
#include "wnd_core.h"

struct AfxPicture {
    QImage image;
};

namespace afx {

namespace {

struct PictureEntry {
    std::function<QImage()> make;
    std::unique_ptr<AfxPicture> picture;  // made on first use, kept for the run
};

struct Registry {
    std::mutex mu;
    std::map<unsigned, DialogTemplate> templates;
    std::map<UINT, std::string> strings;
    std::map<UINT, PictureEntry> icons, bitmaps;
    std::map<std::string, std::function<QWidget*(QWidget*)>> factories;
};

Registry& Reg() {
    static Registry* r = new Registry;  // reachable for the whole run
    return *r;
}

HICON LoadPicture(std::map<UINT, PictureEntry>& map, UINT id) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    auto it = map.find(id);
    if (it == map.end()) return nullptr;
    if (!it->second.picture) {
        it->second.picture = std::make_unique<AfxPicture>();
        if (it->second.make) it->second.picture->image = it->second.make();
    }
    return it->second.picture.get();
}

}  // namespace

void RegisterTemplate(const DialogTemplate& t) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    Reg().templates[t.id] = t;
}

const DialogTemplate* FindTemplate(unsigned id) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    auto it = Reg().templates.find(id);
    return it == Reg().templates.end() ? nullptr : &it->second;
}

void RegisterIcon(UINT id, std::function<QImage()> make) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    Reg().icons[id].make = std::move(make);
    Reg().icons[id].picture.reset();
}

void RegisterBitmap(UINT id, std::function<QImage()> make) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    Reg().bitmaps[id].make = std::move(make);
    Reg().bitmaps[id].picture.reset();
}

void RegisterString(UINT id, std::string text) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    Reg().strings[id] = std::move(text);
}

std::string LoadStringResource(UINT id) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    auto it = Reg().strings.find(id);
    return it == Reg().strings.end() ? std::string() : it->second;
}

bool HasStringResource(UINT id) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    return Reg().strings.count(id) != 0;
}

void RegisterControlFactory(const std::string& classId, std::function<QWidget*(QWidget*)> factory) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    Reg().factories[classId] = std::move(factory);
}

void RegisterPlainControl(const std::string& classId, const std::string& name) {
    RegisterControlFactory(classId, [name](QWidget* parent) {
        auto* w = new QWidget(parent);
        w->setObjectName(QString::fromStdString(name));
        return w;
    });
}

std::function<QWidget*(QWidget*)> detail::FindControlFactory(const std::string& classId) {
    std::lock_guard<std::mutex> lock(Reg().mu);
    auto it = Reg().factories.find(classId);
    return it == Reg().factories.end() ? nullptr : it->second;
}

QImage PictureImage(HICON picture) {
    return picture ? picture->image : QImage();
}

}  // namespace afx

HICON LoadIconResource(UINT id) {
    return afx::LoadPicture(afx::Reg().icons, id);
}
HBITMAP LoadBitmapResource(UINT id) {
    return afx::LoadPicture(afx::Reg().bitmaps, id);
}

#ifndef QEVA_HOST_UIKIT_UIKIT_H_
#define QEVA_HOST_UIKIT_UIKIT_H_

#include <cstddef>
#include <memory>
#include <vector>

#include "Foundation/NSObject.h"

// The few UIKit facilities that the plugin and the Ad SDK touch. Main thread only, like
// UIKit itself.
namespace UIKit {

// A view. The plugin's ad container is one; renderers receive it in render() and must
// leave it alone, which tests check through its subview count.
class UIView : public Foundation::NSObject {
 public:
  UIView() : NSObject("UIKit.UIView") {}

  void addSubview(std::shared_ptr<UIView> view) { subviews_.push_back(std::move(view)); }
  size_t subviewCount() const { return subviews_.size(); }

 private:
  std::vector<std::shared_ptr<UIView>> subviews_;
};

// What the Ad SDK presents a click-through from.
class UIViewController : public Foundation::NSObject {
 public:
  UIViewController() : NSObject("UIKit.UIViewController") {}
};

class UIWindow : public Foundation::NSObject {
 public:
  UIWindow() : NSObject("UIKit.UIWindow") {}

  // May be null: a window without a root view controller.
  std::shared_ptr<UIViewController> rootViewController() const { return root_view_controller_; }
  void setRootViewController(std::shared_ptr<UIViewController> controller) {
    root_view_controller_ = std::move(controller);
  }

 private:
  std::shared_ptr<UIViewController> root_view_controller_;
};

// The application delegate. `window` is an optional operation of the real protocol, so a
// caller first asks respondsToWindow().
class UIApplicationDelegate : public Foundation::NSObject {
 public:
  UIApplicationDelegate() : NSObject("UIKit.UIApplicationDelegate") {}

  bool respondsToWindow() const { return responds_to_window_; }
  void setRespondsToWindow(bool responds) { responds_to_window_ = responds; }

  // May be null: a delegate without a window.
  std::shared_ptr<UIWindow> window() const { return window_; }
  void setWindow(std::shared_ptr<UIWindow> window) { window_ = std::move(window); }

 private:
  bool responds_to_window_ = true;
  std::shared_ptr<UIWindow> window_;
};

class UIApplication {
 public:
  // The process's application. It starts the way a running Flutter app has it: a delegate
  // that responds to `window`, a window, and a root view controller.
  static UIApplication& sharedApplication();

  // May be null: an application without a delegate.
  std::shared_ptr<UIApplicationDelegate> delegate() const { return delegate_; }
  void setDelegate(std::shared_ptr<UIApplicationDelegate> delegate) {
    delegate_ = std::move(delegate);
  }

  // Puts back the delegate, window and root view controller of a running app.
  void restoreDefaultScene();

 private:
  UIApplication();

  std::shared_ptr<UIApplicationDelegate> delegate_;
};

}  // namespace UIKit

#endif  // QEVA_HOST_UIKIT_UIKIT_H_

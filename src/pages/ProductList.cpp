#include "pages/ProductList.h"

#include "pages/CheckList.h"
#include "res/resource.h"
#include "script/Catalogue.h"

namespace {

// Adds one product to the list; false when the list box takes no more items.
bool AddProductItem(const ListedProduct &product, void *list) {
  HWND box = static_cast<HWND>(list);
  LRESULT index = SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(product.name));
  if (index < 0) return false;
  int item = static_cast<int>(index);
  CheckListSetImageAndMark(box, item, product.icon, product.newer ? 1 : 0);
  // A new item starts unchecked; only a check is worth a notification.
  if (product.checked) CheckListSetCheck(box, item, 1);
  return true;
}

bool CheckedInList(INFCONTEXT *, int index, const void *list) {
  return CheckListGetCheck(static_cast<HWND>(const_cast<void *>(list)), index) != 0;
}

}  // namespace

int FillProductList(HWND page, HINF inf) {
  return ReadListedProducts(inf, AddProductItem, GetDlgItem(page, IDC_CHECKLIST));
}

int CollectCheckedProducts(HWND page, HINF inf, char *keyList, size_t size) {
  return CollectChosenProducts(inf, keyList, size, CheckedInList, GetDlgItem(page, IDC_CHECKLIST));
}

#define IDH_ID10 10
#define IDH_ID20 20

